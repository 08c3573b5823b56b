#include "validate/OverlapRules.h"

#include <cstddef>

#include "platform/Format.h"
#include "validate/RegionMath.h"

namespace velmora {

namespace {

// Code region of `code` against the NSC region of the "S" row `nsc` (they may be one row).
ValidationError CheckCodeAgainstNsc(const ProjectValues& code, const ProjectValues& nsc) {
    const bool codeStartsInNsc = InHalfOpen(nsc.nscBase, nsc.nscEnd(), code.roBase);
    const bool nscStartsInCode = InHalfOpen(code.roBase, code.roEnd(), nsc.nscBase);
    if (codeStartsInNsc || nscStartsInCode)
        return Format(L"%ls RO region cannot overlap with %ls NSC region", code.name.c_str(),
                      nsc.name.c_str());
    return std::nullopt;
}

ValidationError CheckNscAgainstXom(const ProjectValues& nsc, const ValidationSnapshot& snapshot) {
    for (std::size_t k = 0; k < snapshot.xom.size(); ++k) {
        const XomValues& xom = snapshot.xom[k];
        if (!xom.inUse) continue;
        const int region = static_cast<int>(k);
        if (InHalfOpen(xom.base, xom.end(), nsc.nscBase))
            return Format(L"%ls NSC base cannot overlap with XOM%d region", nsc.name.c_str(),
                          region);
        if (InHalfOpen(nsc.nscBase, nsc.nscEnd(), xom.base))
            return Format(L"%ls NSC region cannot overlap with XOM%d region", nsc.name.c_str(),
                          region);
    }
    return std::nullopt;
}

// Only the base of `code` is tested; the pair's other order covers the rest.
ValidationError CheckCodeAgainstCode(const ProjectValues& code, const ProjectValues& other) {
    if (InHalfOpen(other.roBase, other.roEnd(), code.roBase))
        return Format(L"%ls RO region cannot overlap with %ls RO region", code.name.c_str(),
                      other.name.c_str());
    return std::nullopt;
}

ValidationError CheckCodeAgainstXom(const ProjectValues& code,
                                    const ValidationSnapshot& snapshot) {
    for (std::size_t k = 0; k < snapshot.xom.size(); ++k) {
        const XomValues& xom = snapshot.xom[k];
        if (!xom.inUse) continue;
        const int region = static_cast<int>(k);
        if (InHalfOpen(xom.base, xom.end(), code.roBase))
            return Format(L"%ls RO base cannot overlap with XOM%d region", code.name.c_str(),
                          region);
        if (InHalfOpen(code.roBase, code.roEnd(), xom.base))
            return Format(L"%ls RO region cannot overlap with XOM%d region", code.name.c_str(),
                          region);
    }
    return std::nullopt;
}

ValidationError CheckPair(const ValidationSnapshot& snapshot, std::size_t i, std::size_t j) {
    const ProjectValues& code = snapshot.projects[i];
    const ProjectValues& other = snapshot.projects[j];
    if (other.state == ProjectState::Secure) {
        if (auto error = CheckCodeAgainstNsc(code, other)) return error;
        if (auto error = CheckNscAgainstXom(other, snapshot)) return error;
    }
    if (i != j) return CheckCodeAgainstCode(code, other);
    return std::nullopt;
}

}  // namespace

ValidationError CheckRegionOverlaps(const ValidationSnapshot& snapshot) {
    const std::size_t count = snapshot.projects.size();
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t j = 0; j < count; ++j)
            if (auto error = CheckPair(snapshot, i, j)) return error;
        if (auto error = CheckCodeAgainstXom(snapshot.projects[i], snapshot)) return error;
    }
    return std::nullopt;
}

}  // namespace velmora
