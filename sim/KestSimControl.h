/* Control interface of the kernel-module simulator.
 *
 * A process that carries the simulator (a test binary linked with kestsim_testsupport, or any program
 * started with LD_PRELOAD=libkestsim_preload.so) sees the firewall control devices "/dev/wyb-kest" and
 * "/dev/kest", the packet-filter table device "/dev/pelkintbl" and the service-insertion device
 * "/dev/qel-kest-pwix" as present: opening them gives a descriptor, and control call 15 on a control
 * device is answered by one process-wide simulated kernel module. These functions seed that module's
 * state, script its faults and let a test read back what reached it.
 *
 * Ports are 100-byte switch-port records (the same bytes the library puts into the device request);
 * a null port, or a port of type 0, names the host-wide filter. All functions are thread-safe.
 * Functions returning int give 0 on success and -1 on a refused argument unless said otherwise. */
#ifndef KESTSIM_CONTROL_H
#define KESTSIM_CONTROL_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define KESTSIM_API __attribute__((visibility("default")))
#else
#define KESTSIM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
    KESTSIM_PORT_SIZE = 100,       /* switch-port record */
    KESTSIM_REQUEST_SIZE = 132,    /* device request record of control call 15 */
    KESTSIM_RULE_SIZE = 1420,      /* one rule record */
    KESTSIM_RULESET_NAME_SIZE = 64 /* rule-set name field: at most 63 characters and a NUL */
};

/* The simulated devices. */
typedef enum kestsim_device_ {
    KESTSIM_DEV_CONTROL = 0,     /* "/dev/wyb-kest" */
    KESTSIM_DEV_CONTROL_OLD = 1, /* "/dev/kest" */
    KESTSIM_DEV_PLK = 2,         /* "/dev/pelkintbl", pass-through only */
    KESTSIM_DEV_SI = 3,          /* "/dev/qel-kest-pwix", pass-through only */
    KESTSIM_DEV_COUNT = 4
} kestsim_device_;

/* Ways a scripted reply can misbehave (kestsim_fault_reply). */
typedef enum kestsim_reply_fault_ {
    /* The module writes only the first `param` bytes of the reply body; the rest of the body keeps the
     * bytes the request carried. */
    KESTSIM_REPLY_SHORT = 1,
    /* Every count the reply states is `param` larger than the entries actually written. */
    KESTSIM_REPLY_LIE_COUNT = 2,
    /* Names in the reply fill their whole field with no terminating NUL. */
    KESTSIM_REPLY_NO_NUL = 3,
    /* The command is performed, then its reply is damaged at random, reproducibly from seed `param`:
     * counts inflated, NULs overwritten, the tail cut back to the request's bytes, bytes flipped, or a
     * random status instead of the true one. */
    KESTSIM_REPLY_MUTATE = 4
} kestsim_reply_fault_;

/* Forgets every filter's state, the known-filter list, all scripted faults, counters and captured
 * messages, and device open failures and pass-through results. Descriptors already open stay open. */
KESTSIM_API void kestsim_reset(void);

/* ---- Filters ------------------------------------------------------------------------------------
 * Until the first filter is declared every port is accepted. Once any filter is declared, a control
 * call for a port that is neither declared nor host-wide fails with ENOENT (the module does not know
 * that switch port). */
KESTSIM_API int kestsim_declare_filter(const void* port);
/* Removes the port from the known list and drops its state; -1 if it was not declared. */
KESTSIM_API int kestsim_forget_filter(const void* port);

/* ---- State --------------------------------------------------------------------------------------- */
/* Creates or replaces rule set `name` (at most 63 characters) of the port's filter with `rule_count`
 * rule records of KESTSIM_RULE_SIZE bytes each, taken in order from `rules` (may be null when
 * rule_count is 0). */
KESTSIM_API int kestsim_seed_ruleset(const void* port, const char* name, const void* rules, uint32_t rule_count);
/* Gives the port's filter exactly `count` rule sets: existing ones are dropped, new empty ones are
 * named "ruleset-0", "ruleset-1", ... */
KESTSIM_API int kestsim_seed_ruleset_count(const void* port, uint32_t count);
/* Number of rule sets the port's filter holds (0 for a filter never touched). */
KESTSIM_API uint32_t kestsim_ruleset_count(const void* port);
/* Number of rules of rule set `name`, or -1 if the filter has no such rule set. */
KESTSIM_API int kestsim_ruleset_rule_count(const void* port, const char* name);
/* Copies at most `max_rules` rule records of rule set `name`, as the module received them
 * (KESTSIM_RULE_SIZE bytes each, in rule order), into `out` (may be null); returns the rule set's number of
 * rules, or -1 if the filter has no such rule set. */
KESTSIM_API int kestsim_ruleset_rules(const void* port, const char* name, void* out, uint32_t max_rules);
/* The generation of rule set `name` (1 when created, +1 on every change: replaced, cleared, jump target
 * set or cleared) and its realization time (seconds since boot of its last change); either output may
 * be null. -1 if the filter has no such rule set. */
KESTSIM_API int kestsim_ruleset_info(const void* port, const char* name, uint32_t* generation,
                                     uint64_t* realization_time);
/* Copies the jump target of rule set `name` into `target` (KESTSIM_RULESET_NAME_SIZE bytes, "" for
 * none); -1 if the filter has no such rule set. */
KESTSIM_API int kestsim_ruleset_jump(const void* port, const char* name, char* target);
/* Copies the names of the filter's layer-3 and layer-2 root rule sets into `l3` and `l2`
 * (KESTSIM_RULESET_NAME_SIZE bytes each, "" for none; either may be null) and at most `max_rules` of the
 * jump rules that installed them into `rules` (may be null); returns the number of those rules, 0 when
 * no root is set. */
KESTSIM_API int kestsim_root_rulesets(const void* port, char* l3, char* l2, void* rules, uint32_t max_rules);

/* ---- Address sets and reputation chunks ------------------------------------------------------------
 * Sets keep their member records exactly as the module received them. Kinds: 1 IP, 2 MAC, 4 attribute,
 * 15 SID. */
enum {
    KESTSIM_ADDRESS_SIZE = 144,      /* one member record */
    KESTSIM_ADDRSET_NAME_SIZE = 38,  /* address-set name field: at most 37 characters and a NUL */
    KESTSIM_IPREP_ENTRY_SIZE = 16,   /* one entry of a reputation chunk */
    KESTSIM_IPREP_DB_ID_SIZE = 16    /* reputation database id */
};
/* Creates or replaces address set `name` (at most 37 characters) of the given kind with `count` member
 * records of KESTSIM_ADDRESS_SIZE bytes taken in order from `records` (may be null when count is 0). */
KESTSIM_API int kestsim_seed_addrset(const void* port, const char* name, uint32_t kind, const void* records,
                                     uint32_t count);
/* Number of address sets the port's filter holds. */
KESTSIM_API uint32_t kestsim_addrset_count(const void* port);
/* Copies the name of the filter's `index`-th address set, in name order, into `name`
 * (KESTSIM_ADDRSET_NAME_SIZE bytes); -1 when there are not that many sets. */
KESTSIM_API int kestsim_addrset_name(const void* port, uint32_t index, char* name);
/* The kind of address set `name`, or -1 if the filter has no such set. */
KESTSIM_API int kestsim_addrset_kind(const void* port, const char* name);
/* Copies at most `max_members` member records of set `name` into `out` (may be null); returns the set's
 * number of members, or -1 if the filter has no such set. */
KESTSIM_API int kestsim_addrset_members(const void* port, const char* name, void* out, uint32_t max_members);
/* The generation of set `name` (1 when created, +1 on every replacement or clearing) and its realization
 * time (seconds since boot of its last change); either output may be null. -1 if there is no such set. */
KESTSIM_API int kestsim_addrset_info(const void* port, const char* name, uint32_t* generation,
                                     uint64_t* realization_time);
/* 1 when shared address sets are switched on for the port's filter, else 0. */
KESTSIM_API int kestsim_shared_addrset(const void* port);
/* Number of reputation chunks loaded for the port's filter. */
KESTSIM_API uint32_t kestsim_iprep_chunk_count(const void* port);
/* Copies the database id of chunk `chunk` into `database_id` (KESTSIM_IPREP_DB_ID_SIZE bytes, may be null)
 * and at most `max_entries` of its entries into `entries` (may be null); returns the chunk's number of
 * entries, or -1 when that chunk is not loaded. */
KESTSIM_API int kestsim_iprep_chunk(const void* port, uint32_t chunk, void* database_id, void* entries,
                                    uint32_t max_entries);

/* ---- Connections ---------------------------------------------------------------------------------
 * Each filter keeps a table of tracked flows by flow identifier; pages of the flow table come in
 * identifier order from the requested start on. */
enum {
    KESTSIM_FLOW_RECORD_SIZE = 294, /* one flow record as the module reports it */
    KESTSIM_CONN_KEY_SIZE = 40      /* one connection key */
};
/* One flow to seed. Addresses of an IPv4 flow use the first 4 bytes. Ports in host order. */
typedef struct kestsim_flow_ {
    uint64_t id;          /* flow identifier, also the state identifier of the flow */
    uint32_t time;        /* seconds since 1970 */
    uint8_t proto;        /* IP protocol number */
    uint8_t family;       /* 2 IPv4, 10 IPv6 */
    uint8_t src[16];
    uint8_t dst[16];
    uint16_t sport;
    uint16_t dport;
    uint8_t state;        /* DPI state the module answers for the flow */
    uint64_t counters[4]; /* A, B, C, D */
    uint8_t alg_kind;     /* application-level gateway: kind, role, port, related flow */
    uint8_t alg_role;
    uint16_t alg_port;
    uint64_t alg_related;
} kestsim_flow_;
/* Adds or replaces the flow with the same identifier; -1 when the table is full. */
KESTSIM_API int kestsim_seed_flow(const void* port, const kestsim_flow_* flow);
/* The same from a raw flow record of KESTSIM_FLOW_RECORD_SIZE bytes (identifier at 3, network order). */
KESTSIM_API int kestsim_seed_flow_record(const void* port, const void* record);
/* Drops one flow; -1 when there is no such flow. */
KESTSIM_API int kestsim_drop_flow(const void* port, uint64_t id);
/* Number of flows the port's filter tracks. */
KESTSIM_API uint32_t kestsim_flow_count(const void* port);
/* How often flow `id` was re-evaluated and how many attributes it holds (either may be null); 1 when
 * its DNS revalidation was reported done, 0 when not, -1 when there is no such flow. */
KESTSIM_API int kestsim_flow_info(const void* port, uint64_t id, uint32_t* reevaluations, uint32_t* attributes);
/* The port's failure policy: 0 open, 1 close, -1 never set. */
KESTSIM_API int kestsim_fail_policy(const void* port);
/* ---- Traffic counters ----------------------------------------------------------------------------
 * The statistics the module reports for rules and address sets; only these calls advance them. */
/* Rule `rule_id` of rule set `ruleset` saw `packets` packets of `bytes` bytes in one new session,
 * inbound (non-zero) or outbound: its evaluations and hits grow by `packets`. -1 when the filter has no
 * such rule. */
KESTSIM_API int kestsim_count_rule(const void* port, const char* ruleset, uint32_t rule_id, int inbound,
                                   uint64_t packets, uint64_t bytes);
/* Address set `name` matched `packets` packets of `bytes` bytes on way `way` (0 out + pass, 1 out +
 * drop, 2 in + pass, 3 in + drop) and missed `no_match` packets. -1 when there is no such set or way. */
KESTSIM_API int kestsim_count_addrset(const void* port, const char* name, uint32_t way, uint64_t packets,
                                      uint64_t bytes, uint64_t no_match);

/* ---- Faults ----------------------------------------------------------------------------------------
 * Scripted faults wait in a queue (at most 256 entries) and are consulted in the order they were
 * added; an entry is used up after `count` uses. `opcode` -1 matches every command. */
/* The next `count` matching commands are not performed and answer `status` (26 for retry tests). */
KESTSIM_API int kestsim_fault_status(uint32_t status, uint32_t count, int opcode);
/* The next `count` control calls (request 15 on a control device) fail with -1 and errno `err`
 * (ENOENT, ENOMEM, ...) before the message is looked at. */
KESTSIM_API int kestsim_fault_errno(int err, uint32_t count);
/* The next `count` control calls are answered only after `ms` milliseconds (at most 10000). */
KESTSIM_API int kestsim_fault_delay(uint32_t ms, uint32_t count);
/* The next `count` matching commands are performed but their reply misbehaves as `kind` says. */
KESTSIM_API int kestsim_fault_reply(kestsim_reply_fault_ kind, uint32_t param, uint32_t count, int opcode);
KESTSIM_API void kestsim_fault_clear(void);
/* Number of fault entries still waiting. */
KESTSIM_API uint32_t kestsim_fault_pending(void);

/* ---- What reached the module -------------------------------------------------------------------- */
/* Control calls handed to the module (including those failed by a fault or a bad request). */
KESTSIM_API uint64_t kestsim_ioctl_count(void);
/* Command records the module answered (each command of a batched message counts). */
KESTSIM_API uint64_t kestsim_command_count(void);
/* Copies the last device request record (KESTSIM_REQUEST_SIZE bytes); -1 if none arrived yet. */
KESTSIM_API int kestsim_last_request(void* out);
/* The last message as received, before the module answered it: copies at most `cap` bytes into `out`
 * (may be null) and returns the message's full length (0 if none; messages above 16 MiB are kept
 * only in their first 16 MiB). */
KESTSIM_API uint32_t kestsim_last_message(void* out, uint32_t cap);
/* The same message after the module answered it. */
KESTSIM_API uint32_t kestsim_last_reply(void* out, uint32_t cap);

/* ---- Devices ------------------------------------------------------------------------------------- */
/* Successful opens of the device since the last reset. */
KESTSIM_API uint32_t kestsim_device_open_count(kestsim_device_ dev);
/* Descriptors of the device open right now. */
KESTSIM_API uint32_t kestsim_device_open_descriptors(kestsim_device_ dev);
/* Makes opening the device fail with errno `err` (0 makes it succeed again). */
KESTSIM_API int kestsim_device_fail_open(kestsim_device_ dev, int err);
/* Control calls of any request number made on the device's descriptors. */
KESTSIM_API uint64_t kestsim_device_ioctl_count(kestsim_device_ dev);
/* Request number and argument of the last control call on the device; -1 if none. */
KESTSIM_API int kestsim_device_last_ioctl(kestsim_device_ dev, unsigned long* request, void** arg);
/* What a pass-through device (PLK, SI) answers to every control call: `result`, and errno `err` when
 * result is negative. The default is 0. */
KESTSIM_API int kestsim_device_set_result(kestsim_device_ dev, int result, int err);
/* The device a descriptor was opened on, or -1 for any other descriptor. */
KESTSIM_API int kestsim_device_of_fd(int fd);

/* ---- Direct entry -------------------------------------------------------------------------------- */
/* Exactly what control call 15 on a control device does with its 132-byte request record: returns 0,
 * or -1 with errno set. */
KESTSIM_API int kestsim_submit(void* request);
/* Hands one message for the port's filter straight to the module (no request record). */
KESTSIM_API int kestsim_process(const void* port, void* msg, uint32_t len);

/* ---- Daemon forwarding ----------------------------------------------------------------------------
 * Control calls on the devices (and kestsim_submit) can be answered by a simulator daemon, kestsimd,
 * instead of this process's module, so that several processes share one module: a non-empty `path`
 * sends every later control call to the daemon's forwarding socket at that Unix socket path; "" keeps
 * them in this process whatever the environment says; null (the default) follows the environment
 * variable KESTSIM_SOCKET, read at each call. While forwarding, the functions above still act on this
 * process's own module (use the daemon's control socket for the shared one), except that
 * kestsim_last_request keeps recording; a daemon that cannot be reached fails the call with EIO.
 * Returns -1 when the path is too long for a Unix socket. */
KESTSIM_API int kestsim_set_forward(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* KESTSIM_CONTROL_H */
