"""Configuration texts: loading, checking and the position of what the parser refused."""

import pytest

import kestfw

# Every test here loads configuration text.
pytestmark = pytest.mark.usefixtures("language")


@pytest.mark.parametrize("text, code, line, column, last, message", [
    ("create ruleset r1", 16, 1, 18, 17, "syntax error, unexpected end of file, expecting ';'"),
    ("destroy all ruleset;\n  destroy ;", 16, 2, 11, 11, "syntax error, unexpected ';'"),
    ("/* a\n comment */ set root ;", 16, 2, 22, 22, "syntax error, unexpected ';', expecting keyword ruleset"),
    ("create ruleset r with rule 1 in protocol udpx from any to any drop;", 52, 1, None, None,
     "unknown protocol (udpx)"),
    ("create ruleset " + "n" * 64 + ";", 32, 1, None, None, "ruleset name (" + "n" * 64 + ") is too long"),
    ("create addrset s with 10.0.0.1-300;", 33, 1, None, None, "invalid ip address - 10.0.0.300"),
])
def test_refused_text_tells_where(text, code, line, column, last, message):
    with pytest.raises(kestfw.ParseError) as caught:
        kestfw.check_config(text)
    error = caught.value
    assert (error.code, error.line, error.message, error.input) == (code, line, message, "<cmd>")
    if column is not None:
        assert (error.column, error.last_column) == (column, last)
        assert str(error) == "<cmd>:%d:%d: %s" % (line, column, message)
    assert isinstance(error, kestfw.KestFWError)


@pytest.mark.parametrize("text", ["", "  # nothing\n/* at all */", "destroy all ruleset;",
                                  "create addrset web with { ip 10.0.0.1, ip 10.0.0.2 };"])
def test_valid_text_checks(text):
    assert kestfw.check_config(text) is None


def test_a_good_parse_after_a_bad_one_leaves_no_stale_position():
    with pytest.raises(kestfw.ParseError):
        kestfw.check_config("create ruleset r1")
    with kestfw.Config("destroy all ruleset;") as config:
        assert config.handle is None


def test_text_with_nul_is_refused_before_parsing():
    with pytest.raises(kestfw.KestFWError) as caught:
        kestfw.Config("destroy all ruleset;\0 garbage")
    assert caught.value.code == kestfw.Status.INVALID_ARGUMENT


def test_files_load_and_name_themselves(tmp_path):
    good = tmp_path / "good.conf"
    good.write_text("destroy all ruleset;\n# end\n")
    with kestfw.Config.from_file(good):
        pass
    bad = tmp_path / "bad.conf"
    bad.write_text("destroy all ruleset;\n\ndestroy ruleset ;\n")
    with pytest.raises(kestfw.ParseError) as caught:
        kestfw.Config.from_file(bad)
    assert (caught.value.input, caught.value.line) == (str(bad), 3)
    with pytest.raises(kestfw.KestFWError) as caught:
        kestfw.Config.from_file(tmp_path / "missing.conf")
    assert caught.value.code == kestfw.Status.CANNOT_LOAD_FILE
    assert not isinstance(caught.value, kestfw.ParseError)


def test_freed_configuration_cannot_be_evaluated(fw):
    config = kestfw.Config("destroy all ruleset;")
    config.free()
    config.free()
    with pytest.raises(kestfw.KestFWError) as caught:
        config.evaluate(fw)
    assert caught.value.code == kestfw.Status.INVALID_ARGUMENT
