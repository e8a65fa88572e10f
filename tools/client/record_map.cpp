// record_map.cpp - the owners of a record's bytes.
#include "record_map.h"

#include <algorithm>

namespace dmaclient {

RecordPlace PlaceOf(const Location &l) {
    RecordPlace p{RecordKind::DevMode, static_cast<size_t>(l.offset),
                  l.size ? static_cast<size_t>(l.size) : static_cast<size_t>(l.width)};
    switch (l.area) {
    case DMA_SA_DEVMODE_EXT: p.offset += DMA_DEVMODE_EXT_BASE; break;
    case DMA_SA_SECONDARY: p.record = RecordKind::Secondary; break;
    case kFaxArea: p.record = RecordKind::FaxBlock; break;
    default: break;
    }
    return p;
}

std::vector<ByteRun> OwnerRuns(RecordKind record, size_t size, const std::vector<RecordPlace> &places) {
    std::vector<int> owner(size, kNoOwner);
    for (size_t i = 0; i < places.size(); ++i) {
        const RecordPlace &p = places[i];
        if (p.record != record) continue;
        const size_t end = std::min(size, p.offset + p.width);
        for (size_t b = p.offset; b < end; ++b) {
            const int o = owner[b];
            // Narrowest wins; on equal width the earlier place (callers list
            // them by ascending DMA ID).
            if (o == kNoOwner || places[static_cast<size_t>(o)].width > p.width) owner[b] = static_cast<int>(i);
        }
    }
    std::vector<ByteRun> runs;
    for (size_t b = 0; b < size; ++b) {
        if (!runs.empty() && runs.back().owner == owner[b]) ++runs.back().length;
        else runs.push_back({b, 1, owner[b]});
    }
    return runs;
}

std::vector<ByteRun> DifferingRuns(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
    std::vector<ByteRun> runs;
    const size_t n = std::max(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const bool differs = i >= a.size() || i >= b.size() || a[i] != b[i];
        if (!differs) continue;
        if (!runs.empty() && runs.back().start + runs.back().length == i) ++runs.back().length;
        else runs.push_back({i, 1, kNoOwner});
    }
    return runs;
}

}  // namespace dmaclient
