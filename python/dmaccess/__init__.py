"""dmaccess: the settings-access library of the printer and fax driver, from Python.

A thin, typed layer over the library's C exports (loaded with ctypes):

    from dmaccess import Records, Font, diff
    job = Records.load("job")                    # job.devmode, job.secondary, job.fax
    font = job[0x0130]                           # a Font
    job["dmOrientation"] = 2
    job.save("job")                              # refuses files changed on disk since the load
    with Records.edit("job") as job:             # the set's lock from load to save, as dmactl takes it
        job["dmCopies"] = 2
    for d in diff(Records.new(), job): print(d.setting.label, d.old, d.new)

The library is found through DMACCESS_LIBRARY (its full path), beside this
package, or on the system's library path.
"""

TYPE_CHECKING = False  # as typing.TYPE_CHECKING, without importing typing

if TYPE_CHECKING:
    from .docprop import (
        DocProp, ndev_section, read_docprop, spinfo_section, tmbinfo_section, write_docprop, write_fax_file,
    )
    from .errors import (
        DmaError, FaxFileOpenError, FaxFileWriteError, FileFormatError, FileOpenError, FileReadError,
        FileWriteError, IsFont, IsString, KindNotServed, MoreData, NoFaxEntry, NoKind4Record, NoRecord,
        NoSuchId, NotSupported, RawError, Refused, SupportUnreadable, TooLong, UnknownInfoKind, UnknownMode,
        WrongType,
    )
    from .files import ChangedOnDisk, FileRefused, RecordSetBusy
    from .jsonform import DocumentError, ImportResult, from_json, to_json
    from .names import Names, NamesFileError
    from .metadata import FieldForm, MetadataError, library_version
    from .places import Place
    from .records import (
        Difference, Font, Records, Setting, SettingKind, Value, diff, struct_size, write_atomically,
    )
    from .recordkinds import (
        FaxDestination, Kind2Record, Kind3Record, Kind4Record, Kind7Record, KindRecord, RecordList, State,
        destination_list, fax_destinations, record_name, set_fax_destinations,
    )
    from .usersettings import UserSettings, read_user_settings, write_user_settings
    from .native import LibraryNotFound

# The names the package offers, by the module that defines them.  A module is
# imported when one of its names is first asked for (``import dmaccess`` alone
# imports none of them), and the name is then kept here.
_MODULE_OF = {name: module for module, names in {
    "docprop": ("DocProp", "ndev_section", "read_docprop", "spinfo_section", "tmbinfo_section", "write_docprop",
                "write_fax_file"),
    "errors": ("DmaError", "FaxFileOpenError", "FaxFileWriteError", "FileFormatError", "FileOpenError",
               "FileReadError", "FileWriteError", "IsFont", "IsString", "KindNotServed", "MoreData", "NoFaxEntry",
               "NoKind4Record", "NoRecord", "NoSuchId", "NotSupported", "RawError", "Refused",
               "SupportUnreadable", "TooLong", "UnknownInfoKind", "UnknownMode", "WrongType"),
    "files": ("ChangedOnDisk", "FileRefused", "RecordSetBusy"),
    "jsonform": ("DocumentError", "ImportResult", "from_json", "to_json"),
    "names": ("Names", "NamesFileError"),
    "metadata": ("FieldForm", "MetadataError", "library_version"),
    "places": ("Place",),
    "records": ("Difference", "Font", "Records", "Setting", "SettingKind", "Value", "diff", "struct_size",
                "write_atomically"),
    "recordkinds": ("FaxDestination", "Kind2Record", "Kind3Record", "Kind4Record", "Kind7Record", "KindRecord",
                    "RecordList", "State", "destination_list", "fax_destinations", "record_name",
                    "set_fax_destinations"),
    "usersettings": ("UserSettings", "read_user_settings", "write_user_settings"),
    "native": ("LibraryNotFound",),
}.items() for name in names}

#: The package's modules, which ``dmaccess.NAME`` also reaches without an import of their own.
_MODULES = ("docprop", "errors", "files", "jsonform", "metadata", "names", "native", "places", "recordkinds",
             "records", "text", "usersettings")


def __getattr__(name: str) -> object:
    # The package's version is the library's, read from the metadata file when asked for.
    if name == "__version__":
        from .metadata import library_version as version
        return version()
    module = _MODULE_OF.get(name)
    if module is not None:
        from importlib import import_module
        value = getattr(import_module(f".{module}", __name__), name)
        globals()[name] = value
        return value
    if name in _MODULES:
        from importlib import import_module
        return import_module(f".{name}", __name__)  # the import makes it an attribute of the package
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


def __dir__() -> list[str]:
    return sorted(set(globals()) | set(__all__) | set(_MODULES))

__all__ = [
    "DmaError", "FaxFileOpenError", "FaxFileWriteError", "FileFormatError", "FileOpenError", "FileReadError",
    "FileWriteError", "IsFont", "IsString", "KindNotServed", "MoreData", "NoFaxEntry", "NoKind4Record",
    "NoRecord", "NoSuchId", "NotSupported", "RawError", "Refused", "SupportUnreadable", "TooLong",
    "UnknownInfoKind", "UnknownMode", "WrongType",
    "DocProp", "ndev_section", "tmbinfo_section", "spinfo_section", "read_docprop", "write_docprop", "write_fax_file",
    "DocumentError", "ImportResult", "from_json", "to_json", "ChangedOnDisk", "FileRefused", "RecordSetBusy",
    "Names", "NamesFileError", "Place", "FieldForm", "MetadataError",
    "Difference", "Font", "Records", "Setting", "SettingKind", "Value", "diff", "struct_size", "write_atomically",
    "FaxDestination", "Kind2Record", "Kind3Record", "Kind4Record", "Kind7Record", "KindRecord", "RecordList", "State",
    "destination_list", "fax_destinations", "record_name", "set_fax_destinations",
    "UserSettings", "read_user_settings", "write_user_settings", "LibraryNotFound",
]
