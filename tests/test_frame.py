"""The module frame: registration, signatures, and the one argument binder."""

import subprocess
import sys
import types

import pytest

import tambry

ALL = [
    "Version", "version", "compare", "compare_semver_strict", "sort_versions", "batch_compare",
    "gt", "ge", "gte", "lt", "le", "lte", "eq", "ne", "max_version", "min_version",
]
PAIR_FUNCTIONS = ["compare", "gt", "ge", "gte", "lt", "le", "lte", "eq", "ne"]
SEQUENCE_FUNCTIONS = {"sort_versions": "versions", "max_version": "versions",
                      "min_version": "versions", "batch_compare": "pairs"}


def test_registration_order_and_empty_documentation():
    assert tambry.__all__ == ALL
    assert tambry.__doc__ == ""
    assert [name for name in vars(tambry) if name in ALL] == ALL


@pytest.mark.parametrize("name", ALL[1:])
def test_functions_are_builtins_bound_to_the_module(name):
    function = getattr(tambry, name)
    assert isinstance(function, types.BuiltinFunctionType)
    assert function.__self__ is tambry
    assert function.__module__ == "tambry"
    assert function.__doc__ is None


@pytest.mark.parametrize("name, signature", [
    ("version", '(s, ecosystem="auto")'),
    ("compare", '(a, b, ecosystem="generic")'),
    ("compare_semver_strict", "(a, b)"),
    ("sort_versions", '(versions, ecosystem="generic")'),
    ("batch_compare", '(pairs, ecosystem="generic")'),
    ("max_version", '(versions, ecosystem="generic")'),
    ("min_version", '(versions, ecosystem="generic")'),
    *[(name, '(a, b, ecosystem="generic")') for name in PAIR_FUNCTIONS[1:]],
    ("Version", '(version, ecosystem="auto")'),
])
def test_text_signatures(name, signature):
    assert getattr(tambry, name).__text_signature__ == signature


@pytest.mark.parametrize("call, message", [
    (lambda: tambry.eq("1.0"), "eq() missing 1 required positional argument: 'b'"),
    (lambda: tambry.compare(), "compare() missing 2 required positional arguments: 'a' and 'b'"),
    (lambda: tambry.compare(b="1"), "compare() missing 1 required positional argument: 'a'"),
    (lambda: tambry.compare("1", "2", "generic", "x"),
     "compare() takes from 2 to 3 positional arguments but 4 were given"),
    (lambda: tambry.compare_semver_strict("1", "2", "3"),
     "compare_semver_strict() takes 2 positional arguments but 3 were given"),
    (lambda: tambry.sort_versions([], "generic", 3),
     "sort_versions() takes from 1 to 2 positional arguments but 3 were given"),
    (lambda: tambry.Version("1", "auto", 3),
     "Version.__new__() takes from 1 to 2 positional arguments but 3 were given"),
    (lambda: tambry.Version("1").compare("1", "generic", 3),
     "Version.compare() takes from 1 to 2 positional arguments but 3 were given"),
    (lambda: tambry.eq("1", "2", eco="x"), "eq() got an unexpected keyword argument 'eco'"),
    (lambda: tambry.eq("1", "2", A="x"), "eq() got an unexpected keyword argument 'A'"),
    (lambda: tambry.eq("1", "2", a="x"), "eq() got multiple values for argument 'a'"),
    (lambda: tambry.version("1", s="2"), "version() got multiple values for argument 's'"),
    (lambda: tambry.Version(version="1", versions="2"),
     "Version.__new__() got an unexpected keyword argument 'versions'"),
    (lambda: tambry.Version("1", version="2"),
     "Version.__new__() got multiple values for argument 'version'"),
    (lambda: tambry.Version(), "Version.__new__() missing 1 required positional argument: 'version'"),
    (lambda: tambry.Version("1").compare(), "Version.compare() missing 1 required positional argument: 'other'"),
    (lambda: tambry.batch_compare(ecosystem="npm"),
     "batch_compare() missing 1 required positional argument: 'pairs'"),
])
def test_binding_messages(call, message):
    with pytest.raises(TypeError) as caught:
        call()
    assert type(caught.value) is TypeError
    assert str(caught.value) == message


def test_keywords_bind_in_any_order():
    assert tambry.compare(b="2", a="1") == tambry.compare("1", "2") == -1
    assert tambry.gt(ecosystem="npm", b="1.0.0", a="1.0.1") is True


class Text(str):
    pass


@pytest.mark.parametrize("call, message", [
    (lambda: tambry.version(1), "argument 's': 'int' object is not an instance of 'str'"),
    (lambda: tambry.version("1.0", None), "argument 'ecosystem': 'None' is not an instance of 'str'"),
    (lambda: tambry.Version(b"1.0"), "argument 'version': 'bytes' object is not an instance of 'str'"),
    (lambda: tambry.eq(1, None), "argument 'a': 'int' object is not an instance of 'str'"),
    (lambda: tambry.eq("1", None), "argument 'b': 'None' is not an instance of 'str'"),
    (lambda: tambry.eq("1", "2", 3.5), "argument 'ecosystem': 'float' object is not an instance of 'str'"),
    (lambda: tambry.eq(tambry.Version("1"), "1"), "argument 'a': 'Version' object is not an instance of 'str'"),
    (lambda: tambry.compare("1", "2", None), "argument 'ecosystem': 'None' is not an instance of 'str'"),
    (lambda: tambry.compare_semver_strict("1.0.0", []), "argument 'b': 'list' object is not an instance of 'str'"),
    (lambda: tambry.sort_versions("1.0"), "argument 'versions': Can't extract `str` to `Vec`"),
    (lambda: tambry.sort_versions(Text("1.0")), "argument 'versions': Can't extract `str` to `Vec`"),
    (lambda: tambry.max_version(5), "argument 'versions': 'int' object is not an instance of 'Sequence'"),
    (lambda: tambry.batch_compare({"a": 1}), "argument 'pairs': 'dict' object is not an instance of 'Sequence'"),
    (lambda: tambry.batch_compare([["1", "2"]]), "argument 'pairs': 'list' object is not an instance of 'tuple'"),
    (lambda: tambry.sort_versions([], 1), "argument 'ecosystem': 'int' object is not an instance of 'str'"),
])
def test_conversion_messages(call, message):
    with pytest.raises(TypeError) as caught:
        call()
    assert type(caught.value) is TypeError
    assert str(caught.value) == message


def test_qualified_type_name_in_conversion_message():
    class Outer:
        class Inner:
            pass

    with pytest.raises(TypeError, match=r"^argument 's': 'test_qualified_type_name_in_conversion_message"
                                        r"\.<locals>\.Outer\.Inner' object is not an instance of 'str'$"):
        tambry.version(Outer.Inner())


def test_str_subclasses_are_text():
    assert tambry.compare(Text("1.0"), Text("1.0.0"), Text("generic")) == 0
    assert tambry.version(Text("1.2")).raw == "1.2"


def test_lone_surrogate_raises_the_encoding_error_unchanged():
    with pytest.raises(UnicodeEncodeError):
        tambry.version("1.0\udc80")
    with pytest.raises(UnicodeEncodeError):
        tambry.eq("1.0", "\ud800")
    with pytest.raises(UnicodeEncodeError):
        tambry.compare("1", "1", "gen\udc80eric")


class BadIndex:
    def __init__(self, error):
        self.error = error

    def __index__(self):
        raise self.error


class MyTypeError(TypeError):
    pass


def test_index_conversion_wraps_exact_type_error_and_keeps_its_cause():
    cause = KeyError("root")
    error = TypeError("no index here")
    error.__cause__ = cause
    with pytest.raises(TypeError) as caught:
        tambry.Version("1.2")[BadIndex(error)]
    assert str(caught.value) == "argument 'idx': no index here"
    assert caught.value.__cause__ is cause


@pytest.mark.parametrize("error", [MyTypeError("sub"), ValueError("value"), OverflowError("big")])
def test_index_conversion_passes_other_errors_unchanged(error):
    with pytest.raises(type(error)) as caught:
        tambry.Version("1.2")[BadIndex(error)]
    assert caught.value is error


class FailingSequence:
    def __len__(self):
        return 3

    def __getitem__(self, index):
        raise TypeError("cannot read")


def test_sequence_iteration_errors_are_conversion_errors():
    with pytest.raises(TypeError, match=r"^argument 'versions': cannot read$"):
        tambry.sort_versions(FailingSequence())


def test_internal_error_class_is_not_an_exception():
    # Reached only by a broken invariant, so it is checked through the class's
    # documented place in the hierarchy rather than by triggering it.
    code = (
        "import tambry, gc\n"
        "kinds = [t for t in gc.get_objects() if isinstance(t, type) and t.__name__ == 'InternalError'"
        " and t.__module__ == 'tambry']\n"
        "print(all(issubclass(t, BaseException) and not issubclass(t, Exception) for t in kinds))\n"
    )
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert out.stdout.strip() == "True"


EXEC_AGAIN = (
    "import ctypes\n"
    "api = ctypes.pythonapi\n"
    "api.PyModule_GetDef.restype = ctypes.c_void_p\n"
    "api.PyModule_GetDef.argtypes = [ctypes.py_object]\n"
    "api.PyModule_ExecDef.argtypes = [ctypes.py_object, ctypes.c_void_p]\n"
    "def exec_again(module):\n"
    "    return api.PyModule_ExecDef(module, api.PyModule_GetDef(module))\n"
)


def run_python(code):
    out = subprocess.run([sys.executable, "-c", EXEC_AGAIN + code], capture_output=True, text=True, check=True)
    return out.stdout.split("\n")[:-1]


def test_reimport_reuses_the_version_type():
    assert run_python(
        "import sys, importlib, tambry\n"
        "first = tambry.Version\n"
        "del sys.modules['tambry']\n"
        "again = importlib.import_module('tambry')\n"
        "print(again is not tambry, again.Version is first, again.compare is not tambry.compare)\n"
    ) == ["True True True"]


def test_executing_twice_appends_the_names_twice():
    assert run_python(
        "import tambry\n"
        "exec_again(tambry)\n"
        "print(len(tambry.__all__), tambry.__all__[:16] == tambry.__all__[16:])\n"
    ) == ["32 True"]


def test_execution_refuses_a_non_list_all():
    assert run_python(
        "import tambry\n"
        "tambry.__all__ = ('x',)\n"
        "try:\n"
        "    exec_again(tambry)\n"
        "except TypeError as e:\n"
        "    print(e)\n"
    ) == ["'tuple' object is not an instance of 'list'"]


def test_objects_and_functions_outlive_a_reimport():
    # The old module is dropped and collected before the new one is made; what was
    # made by either works with the other, since both share the one Version type.
    assert run_python(
        "import sys, gc, importlib, tambry\n"
        "old_version, old_compare = tambry.Version('1.0'), tambry.compare\n"
        "del sys.modules['tambry'], tambry\n"
        "gc.collect()\n"
        "new = importlib.import_module('tambry')\n"
        "v = new.Version('2.0')\n"
        "print(new.compare(old_version, '1.0.0'), old_compare(v, old_version), type(old_version) is new.Version,\n"
        "      new.max_version([old_version, v]) is v, old_version < v, hash(old_version) == hash(new.Version('1')))\n"
    ) == ["0 1 True True True True"]


def test_a_second_interpreter_is_refused_and_the_first_goes_on():
    pytest.importorskip("_testcapi")
    assert run_python(
        "import _testcapi, tambry\n"
        "code = 'try:\\n import tambry\\nexcept ImportError as e:\\n print(e)'\n"
        "print(_testcapi.run_in_subinterp(code), flush=True)\n"
        "print(tambry.compare(tambry.Version('1.0'), '1.0.0'))\n"
    ) == ["tambry cannot be imported in more than one interpreter of a process", "0", "0"]


@pytest.mark.parametrize("text", ["1.0\x00rc1", "\x00", "1" * 100, "9" * 1_000_000, "é" * 100_000])
@pytest.mark.parametrize("ecosystem", ["generic", "semver", "debian", "rpm", "pep440", "auto"])
def test_hostile_text_gives_a_result_or_a_value_error(text, ecosystem):
    try:
        result = tambry.compare(text, "1.0", ecosystem)
    except ValueError:
        return
    assert result in (-1, 0, 1)


# Each way of running code in a sub-interpreter, as a function of one code string
# that ends the sub-interpreter before it returns.
SUB_INTERPRETER_RUNNERS = {
    "_testcapi": (
        "import _testcapi\n"
        "def run_in_sub_interpreter(code):\n"
        "    _testcapi.run_in_subinterp(code)\n"
    ),
    "_xxsubinterpreters": (
        "import _xxsubinterpreters as subs\n"
        "def run_in_sub_interpreter(code):\n"
        "    interpreter = subs.create()\n"
        "    try:\n"
        "        subs.run_string(interpreter, code)\n"
        "    finally:\n"
        "        subs.destroy(interpreter)\n"
    ),
}


@pytest.mark.parametrize("runner", list(SUB_INTERPRETER_RUNNERS))
def test_a_sub_interpreter_that_imports_first_does_not_lock_out_the_main_one(runner):
    pytest.importorskip(runner)
    assert run_python(
        SUB_INTERPRETER_RUNNERS[runner]
        + "run_in_sub_interpreter('try:\\n import tambry\\nexcept ImportError as e:\\n print(e, flush=True)')\n"
        "import tambry\n"
        "print(tambry.compare(tambry.Version('1.0'), '1.0.0'), tambry.max_version(['1', '2']))\n"
    ) == ["tambry cannot be imported in more than one interpreter of a process", "0 2"]
