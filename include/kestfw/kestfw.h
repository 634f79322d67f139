/* The exported interface of libkestfw, usable from plain C. */
#ifndef KESTFW_H
#define KESTFW_H

#include "kestfw_types.h"
#include "kestfw_frame.h"
#include "kestfw_io.h"
#include "kestfw_util.h"
#include "kestfw_address.h"
#include "kestfw_action.h"
#include "kestfw_l7.h"
#include "kestfw_cmd.h"
#include "kestfw_rule.h"
#include "kestfw_ruleset.h"
#include "kestfw_addrset.h"
#include "kestfw_runner.h"
#include "kestfw_conn.h"
#include "kestfw_query.h"
#include "kestfw_identity.h"
#include "kestfw_settings.h"
#include "kestfw_config.h"
#include "kestfw_lang.h"
#include "kestfw_writer.h"

#endif /* KESTFW_H */
