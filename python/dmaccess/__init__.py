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
from .records import Difference, Font, Records, Setting, SettingKind, Value, diff, struct_size, write_atomically
from .recordkinds import (
    FaxDestination, Kind2Record, Kind3Record, Kind4Record, Kind7Record, KindRecord, RecordList, State,
    destination_list, fax_destinations, record_name, set_fax_destinations,
)
from .usersettings import UserSettings, read_user_settings, write_user_settings
from .native import LibraryNotFound


def __getattr__(name: str) -> str:
    # The package's version is the library's, read from the metadata file when asked for.
    if name == "__version__":
        return library_version()
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")

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
