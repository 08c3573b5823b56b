#include "generate/MemoryMapLayout.h"

#include <algorithm>
#include <numeric>

namespace velmora {

PixelSpan SpanOf(std::uint64_t offset, std::uint64_t offsetEnd, std::uint32_t bytesPerPixel) {
    const std::uint64_t top = offset / bytesPerPixel;
    const std::uint64_t bottom = (std::max(offsetEnd, offset) + bytesPerPixel - 1) / bytesPerPixel;
    const int height = std::max(static_cast<int>(bottom - top), kMinimumRegionPixels);
    return {static_cast<int>(top), height};
}

std::vector<int> AssignLanes(const std::vector<PixelSpan>& spans) {
    std::vector<std::vector<PixelSpan>> lanes;
    std::vector<int> result;
    result.reserve(spans.size());
    for (const PixelSpan& span : spans) {
        const auto meets = [&span](const PixelSpan& other) {
            return span.top < other.bottom() && other.top < span.bottom();
        };
        std::size_t lane = 0;
        while (lane < lanes.size() && std::any_of(lanes[lane].begin(), lanes[lane].end(), meets))
            ++lane;
        if (lane == lanes.size()) lanes.emplace_back();
        lanes[lane].push_back(span);
        result.push_back(static_cast<int>(lane));
    }
    return result;
}

std::vector<int> SpreadLabels(const std::vector<int>& wanted, int spacing, int top) {
    std::vector<std::size_t> order(wanted.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&wanted](std::size_t a, std::size_t b) { return wanted[a] < wanted[b]; });
    // Labels that would touch form a cluster, stacked at spacing and centred on
    // the mean of its members' wishes; a cluster that then reaches into the one
    // above merges with it.
    struct Cluster {
        std::size_t count;
        double sum;  // over the members: wish less the member's place in the stack
        int first() const { return static_cast<int>(sum / static_cast<double>(count)); }
    };
    std::vector<Cluster> clusters;
    for (std::size_t i : order) {
        clusters.push_back({1, static_cast<double>(wanted[i])});
        while (clusters.size() > 1) {
            const Cluster& above = clusters[clusters.size() - 2];
            const Cluster& last = clusters.back();
            const int aboveEnd = std::max(above.first(), top) +
                                 static_cast<int>(above.count) * spacing;
            if (std::max(last.first(), top) >= aboveEnd) break;
            const Cluster merged{above.count + last.count,
                                 above.sum + last.sum -
                                     static_cast<double>(above.count * last.count) * spacing};
            clusters.pop_back();
            clusters.back() = merged;
        }
    }
    std::vector<int> rows(wanted.size());
    std::size_t next = 0;
    for (const Cluster& cluster : clusters) {
        const int first = std::max(cluster.first(), top);
        for (std::size_t k = 0; k < cluster.count; ++k)
            rows[order[next++]] = first + static_cast<int>(k) * spacing;
    }
    return rows;
}

}  // namespace velmora
