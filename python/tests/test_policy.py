"""A policy loaded into the simulator through the socket channel and read back as Python objects."""

import pytest

import kestfw

# Every test here loads configuration text.
pytestmark = pytest.mark.usefixtures("language")

HOST = kestfw.Port()  # the all-zero port: "host" in the daemon's control language

POLICY = """
# web servers and what may reach them
create addrset web with { ip 10.0.0.1, ip 10.0.0.2, ip 10.1.0.0/16 };
create ruleset web-in with {
    rule 1 in protocol tcp from any to any port {80, 443} pass;
    rule 2 in protocol any from any to any drop;
};
create ruleset demo-l3 with {
    rule 10 inout protocol any from any to addrset web jumpto web-in;
    rule 11 inout protocol any from any to any drop;
};
create ruleset demo-l3_L2;
set root ruleset demo-l3;
"""


def test_policy_reads_back(fw, sim):
    fw.apply(POLICY, HOST)

    # What the simulated module holds, in its own words.
    assert sim.control("show rulesets host") == "rulesets 3"
    assert sim.control("show rules host web-in") == "rules 2"
    assert sim.control("show addrset host web").split()[8] == "3"

    assert fw.rule_set_count(HOST) == 3
    assert sorted(fw.rule_sets(HOST)) == ["demo-l3", "demo-l3_L2", "web-in"]
    # A single root names its layer-2 companion after itself.
    assert fw.root_rule_sets(HOST) == ("demo-l3", "demo-l3_L2")
    assert sim.control("show roots host").split()[1:3] == ["demo-l3", "demo-l3_L2"]
    assert fw.rule_count("web-in", port=HOST) == 2

    rules = fw.rules("web-in", port=HOST)
    assert [r.id for r in rules] == [1, 2]
    assert "protocol tcp" in rules[0].text and "{80, 443}" in rules[0].text and "accept" in rules[0].text
    assert rules[1].text.endswith("drop;")
    jump = fw.rules("demo-l3", port=HOST)[0]
    assert "addrset web" in jump.text and "jumpto web-in" in jump.text

    info = fw.rule_set_info("web-in", HOST)
    assert info.count == 2 and info.generation >= 1

    assert fw.addr_set_count(port=HOST) == 1 and fw.addr_sets(port=HOST) == ["web"]
    web = fw.addr_set("web", HOST)
    assert [m.text for m in web.members] == ["ip 10.0.0.1", "ip 10.0.0.2", "ip 10.1.0.0/16"]
    assert [m.type for m in web.members] == [1, 1, 5] and not any(m.negated for m in web.members)
    assert web.generation == fw.addr_set_info("web", HOST).generation >= 1


def test_rendered_rules_load_again_unchanged(fw):
    # The text of each rule read back is configuration text: loaded into another rule set it gives
    # the same records.
    fw.apply(POLICY, HOST)
    original = fw.rules("demo-l3", port=HOST)
    body = "\n".join(r.text for r in original)
    fw.apply("create ruleset again with {\n%s\n};" % body, HOST)
    copy = fw.rules("again", port=HOST)
    assert [r.text for r in copy] == [r.text for r in original]
    assert [r.record for r in copy] == [r.record for r in original]


@pytest.mark.parametrize("rules, members", [(1, 1), (64, 64), (65, 65), (150, 130)])
def test_long_sets_are_read_page_by_page(fw, rules, members):
    lines = "\n".join("rule %d in protocol tcp from any to any port %d drop;" % (i + 1, 1000 + i) for i in range(rules))
    ips = ", ".join("ip 10.2.%d.%d" % (i // 200, i % 200 + 1) for i in range(members))
    fw.apply("create ruleset big with {\n%s\n};\ncreate addrset many with { %s };" % (lines, ips), HOST)
    read = fw.rules("big", port=HOST)
    assert [r.id for r in read] == list(range(1, rules + 1))
    assert all("port %d" % (1000 + i) in r.text for i, r in enumerate(read))
    assert len(fw.addr_set("many", HOST).members) == members


def test_replacing_a_set_raises_its_generation(fw):
    fw.apply("create addrset s with { ip 10.0.0.1 };", HOST)
    first = fw.addr_set_info("s", HOST).generation
    fw.apply("create addrset s with { ip 10.0.0.1, ip 10.0.0.9 };", HOST)
    again = fw.addr_set("s", HOST)
    assert again.generation > first and len(again.members) == 2


def test_kernel_refusal_mid_text_stops_there(fw, sim):
    # The second command is refused: the first stays, the third is never sent.
    sim.control("fault status 28 1 13")  # the next address-set creation (opcode 13) fails
    with pytest.raises(kestfw.KestFWError) as caught:
        fw.apply("create ruleset a; create addrset s with { ip 10.0.0.1 }; create ruleset b;", HOST)
    assert caught.value.code == kestfw.Status.NO_RULESET
    assert fw.rule_sets(HOST) == ["a"]
    assert fw.addr_set_count(port=HOST) == 0
