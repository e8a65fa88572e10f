// fuzz_values.cpp - fuzz target for the command-line forms of dmactl's
// values (`dmactl set ID WORDS...`): the input chooses a setting, either as
// a DMA ID text through ParseDmaId or by its place among the settings of the
// built-in records (with their empty fax-address block), and then gives the
// words, which go through ParseValue over the setting's current value; a
// value that passes CheckValue is written with WriteSetting, read back and
// formatted.
//
// A UserError is a refusal, as it should be; any other exception escapes and
// libFuzzer reports it, as it does a crash or a sanitizer report.  Checks: a
// DMA ID that ParseDmaId accepts is not 0 and its 0x hex form parses to the
// same ID; a parsed value has the setting's kind and is not "unterminated";
// a text is the words joined by single spaces; an integer came from one
// word; the records keep their sizes through the write.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_client_support.h"
#include "settings.h"
#include "value_format.h"

using namespace dmaclient;

namespace {

const std::vector<Setting> &Available() {
    static const std::vector<Setting> list = [] {
        RecordSet set = dmafuzz::DefaultSet();
        DmaContext ctx = set.Context();
        return AvailableSettings(ctx);
    }();
    return list;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    dmafuzz::LoadBuiltInNames();
    (void)Available();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    RecordSet set = dmafuzz::DefaultSet();
    DmaContext ctx = set.Context();

    Setting s;
    if (in.ConsumeIntegralInRange<int>(0, 3) == 0) {
        const std::string idText = in.ConsumeRandomLengthString(24);
        uint16_t id = 0;
        try {
            id = ParseDmaId(idText);
        } catch (const UserError &) {
            return 0;
        }
        FUZZ_CHECK(id != 0);
        FUZZ_CHECK(ParseDmaId(fmt::format("0x{:04X}", id)) == id);
        try {
            s = RequireSetting(ctx, id);
        } catch (const UserError &) {
            return 0;
        }
        FUZZ_CHECK(s.dmaId == id);
    } else {
        const std::vector<Setting> &list = Available();
        FUZZ_CHECK(!list.empty());
        s = list[in.ConsumeIntegral<uint16_t>() % list.size()];
    }

    std::vector<std::string> words;
    const int count = in.ConsumeIntegralInRange<int>(0, 6);
    for (int i = 0; i < count; ++i) words.push_back(in.ConsumeRandomLengthString(64));
    if (in.remaining_bytes() > 0 && count > 0) words.back() += in.ConsumeRemainingBytesAsString();

    Value current;
    const DMA_RESULT read = ReadSetting(ctx, s, current);
    if (read != DMA_OK) current = Value{};

    Value v;
    try {
        v = ParseValue(s, words, current);
    } catch (const UserError &) {
        return 0;
    }
    FUZZ_CHECK(v.kind == s.kind);
    FUZZ_CHECK(!v.unterminated);
    FUZZ_CHECK(!words.empty());
    if (s.kind == ValueKind::String) {
        std::string joined;
        for (size_t i = 0; i < words.size(); ++i) joined += (i ? " " : "") + words[i];
        FUZZ_CHECK(v.text == joined);
    }
    if (s.kind == ValueKind::Integer) FUZZ_CHECK(words.size() == 1);
    (void)FormatValue(s, v);

    try {
        CheckValue(s, v);
    } catch (const UserError &) {
        return 0;
    }
    const size_t devSize = set.devMode.bytes.size(), secSize = set.secondary.bytes.size(),
                 faxSize = set.faxBlock->bytes.size();
    DMA_RESULT written;
    try {
        written = WriteSetting(ctx, s, v);
    } catch (const UserError &) {
        return 0;
    }
    FUZZ_CHECK(set.devMode.bytes.size() == devSize && set.secondary.bytes.size() == secSize &&
                 set.faxBlock->bytes.size() == faxSize);
    if (written == DMA_OK) {
        Value back;
        if (ReadSetting(ctx, s, back) == DMA_OK) {
            FUZZ_CHECK(back.kind == s.kind);
            (void)FormatValue(s, back);
        }
    } else {
        FUZZ_CHECK(!ResultMessage(written).empty());
    }
    return 0;
}
