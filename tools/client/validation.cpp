// validation.cpp - whole-file checks for `dmactl validate`.
#include "validation.h"

#include <cstddef>
#include <cstring>

#include <fmt/format.h>

#include "names.h"
#include "settings.h"
#include "value_format.h"

namespace dmaclient {
namespace {

uint32_t Le32(const uint8_t *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

// The UTF-16 units of a text field hold a zero unit.
bool Utf16Terminated(const uint8_t *p, size_t bytes) {
    for (size_t i = 0; i + 1 < bytes; i += 2)
        if (p[i] == 0 && p[i + 1] == 0) return true;
    return false;
}

// Byte offset of a setting's place in its record file.
uint64_t FileOffset(const Location &l) { return l.offset + (l.area == DMA_SA_DEVMODE_EXT ? 1608 : 0); }

const char *SectionOf(const Location &l) { return l.area == DMA_SA_SECONDARY ? "secondary" : "DEVMODEW"; }

}  // namespace

void CheckFaxBlockBytes(const uint8_t *p, size_t size, uint64_t base, const std::string &file,
                        const std::string &section, std::vector<Problem> &out) {
    if (size < DMA_FAX_HEADER_SIZE) {
        out.push_back({file, section, base, fmt::format("a fax-address block needs at least {} bytes, there are {}",
                                                        DMA_FAX_HEADER_SIZE, size)});
        return;
    }
    const FaxBlockExtent e = FaxExtentOf(p);
    if (e.layout == FaxLayout::Foreign) {
        out.push_back({file, section, base,
                       fmt::format("signature \"{}\", expected \"{}\" (or \"{}\" in the old layout)",
                                   SignatureText(p), DMA_FAX_SIGNATURE, DMA_FAX_OLD_SIGNATURE)});
        return;
    }
    if (size < e.needed)
        out.push_back({file, section, base + offsetof(FaxAddressBlock, count),
                       fmt::format("the count announces {} destination entries of {} bytes, {} bytes in all; "
                                   "there are {}",
                                   e.count, e.entrySize, e.needed, size)});
    if (!Utf16Terminated(p + offsetof(FaxAddressBlock, header1), sizeof(FaxAddressBlock::header1)))
        out.push_back({file, section, base + offsetof(FaxAddressBlock, header1),
                       "header string 1 (0xA001) has no terminator within its field"});
    if (!Utf16Terminated(p + offsetof(FaxAddressBlock, header2), sizeof(FaxAddressBlock::header2)))
        out.push_back({file, section, base + offsetof(FaxAddressBlock, header2),
                       "header string 2 (0xA002) has no terminator within its field"});
}

std::vector<Problem> CheckDocPropBytes(const std::vector<uint8_t> &bytes, const std::string &file) {
    std::vector<Problem> out;
    const uint8_t *p = bytes.data();
    const uint64_t size = bytes.size();
    uint64_t at = 0;
    // The three leading sections: signature, (the first: the magic word),
    // payload length, payload.  Each is present when the bytes left reach
    // its header size.
    for (const DocPropSectionFormat &s : kDocPropSections) {
        const uint64_t header = s.headerSize;
        if (size - at < header) return out;
        if (!SignatureIs(p + at, s.signature, s.signatureUnits)) {
            out.push_back({file, s.signature, at,
                           fmt::format("expected the section signature \"{}\", found \"{}\"", s.signature,
                                       SignatureText(p + at))});
            return out;
        }
        if (s.magic && Le32(p + at + offsetof(DmaNdevHeader, magic)) != DMA_NDEV_MAGIC) {
            out.push_back({file, s.signature, at + offsetof(DmaNdevHeader, magic),
                           fmt::format("the word after the signature is 0x{:X}, not 0x{:X}",
                                       Le32(p + at + offsetof(DmaNdevHeader, magic)), DMA_NDEV_MAGIC)});
            return out;
        }
        const uint64_t payload = Le32(p + at + header - 4);
        if (header + payload > size - at) {
            out.push_back({file, s.signature, at + header - 4,
                           fmt::format("the payload length {} passes the end of the file ({} bytes left after the "
                                       "section header)",
                                       payload, size - at - header)});
            return out;
        }
        at += header + payload;
    }
    if (size - at < DMA_FAX_HEADER_SIZE) return out;
    CheckFaxBlockBytes(p + at, size - at, at, file, "fax", out);
    return out;
}

UserError DocPropReadError(const std::string &file, const std::vector<uint8_t> &bytes, DMA_RESULT result) {
    if (result == DMA_E_FILE_FORMAT) {
        const std::vector<Problem> problems = CheckDocPropBytes(bytes, file);
        if (!problems.empty()) {
            const Problem &p = problems.front();
            return UserError(fmt::format("{}: not a valid document-property file: {} section at offset {}: {}", file,
                                         p.section, p.offset, p.message),
                             file, fmt::format("{} section at offset {}", p.section, p.offset));
        }
    }
    return UserError(fmt::format("{}: {}", file, ResultMessage(result)), file, "");
}

std::vector<Problem> CheckRecordSet(const RecordSelection &selection) {
    std::vector<Problem> out;
    // Sizes and headers first, on the raw files: a record too short for the
    // library is not handed to it.
    struct Named {
        RecordKind kind;
        std::string path;
    };
    std::vector<Named> files;
    auto name = [&](const std::string &explicitPath, RecordKind kind) {
        std::string path = explicitPath;
        if (path.empty() && !selection.setName.empty()) {
            path = SetFile(selection.setName, kind);
            if (kind == RecordKind::FaxBlock && !FileExists(path)) path.clear();
        }
        if (!path.empty()) files.push_back({kind, path});
    };
    name(selection.devModePath, RecordKind::DevMode);
    name(selection.secondaryPath, RecordKind::Secondary);
    name(selection.faxPath, RecordKind::FaxBlock);
    if (files.empty())
        throw UserError("validate: name the records or files to check: --set NAME, --devmode/--secondary/--fax "
                        "FILE, or FILE operands");
    RecordSelection usable;
    for (const Named &f : files) {
        const std::vector<uint8_t> bytes = ReadFileBytes(f.path);
        const char *section = f.kind == RecordKind::DevMode ? "DEVMODEW" : f.kind == RecordKind::Secondary
                                                                               ? "secondary"
                                                                               : "fax block";
        if (f.kind == RecordKind::FaxBlock) {
            const size_t before = out.size();
            CheckFaxBlockBytes(bytes.data(), bytes.size(), 0, f.path, section, out);
            if (out.size() == before) usable.faxPath = f.path;
            continue;
        }
        if (bytes.size() < MinimumSize(f.kind)) {
            out.push_back({f.path, section, 0,
                           fmt::format("a {} needs at least {} bytes, the file has {}", RecordKindName(f.kind),
                                       MinimumSize(f.kind), bytes.size())});
            continue;
        }
        if (f.kind == RecordKind::DevMode) {
            const std::string fault = CheckDevModeHeader(bytes.data(), bytes.size());
            if (!fault.empty()) out.push_back({f.path, "DEVMODEW header", 68, fault});
            // The settings can still be read; the header is all that is wrong.
            usable.devModePath = f.path;
        } else {
            usable.secondaryPath = f.path;
        }
    }
    if (usable.devModePath.empty() && usable.secondaryPath.empty()) return out;

    // The settings, read through the library.  The DEVMODEW header was
    // judged above, so the record is read here without that check.
    RecordSet set = LoadRecordSet(RecordSelection{});
    if (!usable.devModePath.empty()) set.devMode = Record{RecordKind::DevMode, ReadFileBytes(usable.devModePath), usable.devModePath};
    if (!usable.secondaryPath.empty())
        set.secondary = Record{RecordKind::Secondary, ReadFileBytes(usable.secondaryPath), usable.secondaryPath};
    DmaContext ctx = set.Context();
    auto fileOf = [&](const Location &l) -> const Record & {
        return l.area == DMA_SA_SECONDARY ? set.secondary : set.devMode;
    };
    for (const Setting &s : AvailableSettings(ctx)) {
        const Location &l = s.where;
        if (l.area == kFaxArea || l.plainId || !fileOf(l).FromFile()) continue;
        const Record &r = fileOf(l);
        const uint64_t at = FileOffset(l);
        if (s.kind == ValueKind::String) {
            const uint8_t *p = r.bytes.data() + at;
            const bool terminated = l.itemId == 329 ? std::memchr(p, 0, l.size) != nullptr : Utf16Terminated(p, l.size);
            if (!terminated)
                out.push_back({r.path, SectionOf(l), at,
                               fmt::format("{}: the text has no terminator within its {} bytes", IdLabel(s.dmaId),
                                           l.size)});
        } else if (s.kind == ValueKind::Font) {
            const uint8_t *p = r.bytes.data() + at;
            std::vector<std::string> faults;
            for (const FontMember &m : kFontMembers) {
                const int64_t v = m.width == 1 ? p[m.offset] : static_cast<int32_t>(Le32(p + m.offset));
                const std::string n = m.name;
                if (n == "weight" && (v < 0 || v > 1000)) faults.push_back(fmt::format("weight {} (0 to 1000)", v));
                if ((n == "italic" || n == "underline" || n == "strikeout") && v > 1)
                    faults.push_back(fmt::format("{} {} (0 or 1)", n, v));
            }
            if (!Utf16Terminated(p + offsetof(LOGFONTW, lfFaceName), sizeof(LOGFONTW::lfFaceName)))
                faults.push_back("a face name without terminator");
            for (const std::string &f : faults)
                out.push_back({r.path, SectionOf(l), at, fmt::format("{}: font with {}", IdLabel(s.dmaId), f)});
        }
    }
    // A linked setting agrees with the setting it follows when writing that
    // setting's own value again leaves it as it is.  The library derives
    // it; this asks the library on a copy of the records.
    for (const Setting &s : AvailableSettings(ctx)) {
        const uint16_t linkedId = LinkedSettingOf(s);
        if (!linkedId || !fileOf(s.where).FromFile()) continue;
        Value driver, linked;
        const Setting l = RequireSetting(ctx, linkedId);
        if (ReadSetting(ctx, s, driver) != DMA_OK || ReadSetting(ctx, l, linked) != DMA_OK) continue;
        RecordSet scratch = set;
        DmaContext sc = scratch.Context();
        Value derived;
        const DMA_RESULT r = WriteSetting(sc, s, driver);
        if (r != DMA_OK) {
            out.push_back({fileOf(s.where).path, SectionOf(s.where), FileOffset(s.where.area == l.where.area ? l.where : s.where),
                           fmt::format("{} holds {}, which {} cannot follow{}", IdLabel(s.dmaId), driver.integer,
                                       IdLabel(linkedId), LinkedSettingHint(s, false))});
            continue;
        }
        if (ReadSetting(sc, l, derived) == DMA_OK && !(derived == linked))
            out.push_back({fileOf(l.where).path, SectionOf(l.where), FileOffset(l.where),
                           fmt::format("{} holds {}, but {} = {} makes it {}", IdLabel(linkedId),
                                       FormatValue(l, linked), IdLabel(s.dmaId), driver.integer,
                                       FormatValue(l, derived))});
    }
    return out;
}

}  // namespace dmaclient
