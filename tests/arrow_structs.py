"""The Arrow C data and stream structs read with ctypes, so that the tests can look
at what key_array exports without any Arrow library: a consumer's view of the
capsules, moving the structs out as a consumer does and releasing them."""

import ctypes

_get_pointer = ctypes.pythonapi.PyCapsule_GetPointer
_get_pointer.restype = ctypes.c_void_p
_get_pointer.argtypes = [ctypes.py_object, ctypes.c_char_p]


class ArrowSchema(ctypes.Structure):
    pass


ArrowSchema._fields_ = [
    ("format", ctypes.c_char_p),
    ("name", ctypes.c_char_p),
    ("metadata", ctypes.c_char_p),
    ("flags", ctypes.c_int64),
    ("n_children", ctypes.c_int64),
    ("children", ctypes.c_void_p),
    ("dictionary", ctypes.c_void_p),
    ("release", ctypes.CFUNCTYPE(None, ctypes.POINTER(ArrowSchema))),
    ("private_data", ctypes.c_void_p),
]


class ArrowArray(ctypes.Structure):
    pass


ArrowArray._fields_ = [
    ("length", ctypes.c_int64),
    ("null_count", ctypes.c_int64),
    ("offset", ctypes.c_int64),
    ("n_buffers", ctypes.c_int64),
    ("n_children", ctypes.c_int64),
    ("buffers", ctypes.POINTER(ctypes.c_void_p)),
    ("children", ctypes.c_void_p),
    ("dictionary", ctypes.c_void_p),
    ("release", ctypes.CFUNCTYPE(None, ctypes.POINTER(ArrowArray))),
    ("private_data", ctypes.c_void_p),
]


class ArrowArrayStream(ctypes.Structure):
    pass


ArrowArrayStream._fields_ = [
    ("get_schema", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(ArrowArrayStream), ctypes.POINTER(ArrowSchema))),
    ("get_next", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(ArrowArrayStream), ctypes.POINTER(ArrowArray))),
    ("get_last_error", ctypes.CFUNCTYPE(ctypes.c_char_p, ctypes.POINTER(ArrowArrayStream))),
    ("release", ctypes.CFUNCTYPE(None, ctypes.POINTER(ArrowArrayStream))),
    ("private_data", ctypes.c_void_p),
]


def in_capsule(capsule, struct_type, name):
    """The struct a capsule holds, in place (not moved out)."""
    return struct_type.from_address(_get_pointer(capsule, name))


def move_out(capsule, struct_type, name):
    """Moves the struct out of its capsule as a consumer does: the capsule is left
    holding a released struct, and the caller must release the copy."""
    inside = in_capsule(capsule, struct_type, name)
    taken = struct_type()
    ctypes.memmove(ctypes.addressof(taken), ctypes.addressof(inside), ctypes.sizeof(struct_type))
    inside.release = type(inside.release)()
    return taken


def release(struct):
    struct.release(ctypes.byref(struct))
    assert not struct.release, "release must mark the struct released"


def buffer_addresses(array):
    return [array.buffers[i] for i in range(array.n_buffers)]


def read_column(schema, array):
    """The values of an exported binary or large binary column, None for a null."""
    offset_type = {b"z": ctypes.c_int32, b"Z": ctypes.c_int64}[schema.format]
    validity, offsets_at, data = buffer_addresses(array)
    offsets = (offset_type * (array.length + 1)).from_address(offsets_at)
    values = []
    for i in range(array.length):
        if validity and not (ctypes.c_uint8.from_address(validity + i // 8).value >> (i % 8)) & 1:
            values.append(None)
        else:
            values.append(ctypes.string_at(data + offsets[i], offsets[i + 1] - offsets[i]))
    return values
