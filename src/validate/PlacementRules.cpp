#include "validate/PlacementRules.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "model/ChipMemoryMap.h"
#include "platform/Format.h"
#include "validate/RegionMath.h"

namespace velmora {

namespace {

using ChipMemoryMap::flashNsAlias;
using ChipMemoryMap::flashNsEnd;
using ChipMemoryMap::sramBase;
using ChipMemoryMap::sramNsAlias;
using ChipMemoryMap::sramNsEnd;

constexpr std::uint32_t kAlias = kNonSecureAliasOffset;

// One test of a list: the message text is appended to the subject when it fails.
struct PlacementTest {
    bool fails;
    const wchar_t* text;
};

ValidationError FirstFailure(const std::wstring& subject,
                             std::initializer_list<PlacementTest> tests) {
    for (const PlacementTest& test : tests)
        if (test.fails) return subject + test.text;
    return std::nullopt;
}

enum class World { Secure, NonSecure };

ValidationError CheckXomOverlapsOthers(const std::wstring& subject, std::size_t k,
                                       const ValidationSnapshot& snapshot) {
    const XomValues& xom = snapshot.xom[k];
    for (std::size_t m = 0; m < snapshot.xom.size(); ++m)
        if (m != k && InHalfOpen(xom.base, xom.end(), snapshot.xom[m].base))
            return subject + Format(L" must not be overlapped with XOM%d", static_cast<int>(m));
    return std::nullopt;
}

ValidationError CheckOwnedXom(std::size_t k, World world, const ValidationSnapshot& snapshot) {
    const std::wstring subject = Format(L"XOM%d", static_cast<int>(k));
    if (auto error = CheckXomOverlapsOthers(subject, k, snapshot)) return error;
    const std::uint32_t base = snapshot.xom[k].base;
    const std::uint32_t end = snapshot.xom[k].end();
    const std::uint32_t nsba = snapshot.nsba;
    if (auto error = FirstFailure(
            subject, {{base < ChipMemoryMap::flashPageSize,
                       L" base must not be located in first page of APROM."}}))
        return error;
    if (world == World::Secure) {
        if (auto error = FirstFailure(
                subject,
                {{base + kAlias > nsba, L" base cannot overlap with the region for Non-secure."},
                 {end + kAlias > nsba, L" region cannot overlap with the region for Non-secure."}}))
            return error;
    } else {
        if (auto error = FirstFailure(
                subject, {{base < nsba || base > flashNsEnd, L" base must in Non-secure region."},
                          {end > flashNsEnd, L" region cannot out of Non-secure region."}}))
            return error;
    }
    return FirstFailure(subject, {{!IsPageAligned(base), L" base is not page alignment."},
                                  {!IsPageAligned(end), L" region is not page alignment."}});
}

ValidationError CheckOwnedXoms(const ProjectValues& project, World world,
                               const ValidationSnapshot& snapshot) {
    for (std::size_t k = 0; k < project.ownsXom.size(); ++k)
        if (project.ownsXom[k])
            if (auto error = CheckOwnedXom(k, world, snapshot)) return error;
    return std::nullopt;
}

ValidationError CheckSecureCodeAndData(const ProjectValues& p, const ValidationSnapshot& s) {
    const std::uint32_t re = p.roEnd();
    return FirstFailure(
        p.name,
        {{p.roBase >= flashNsAlias, L" RO base must < 0x10000000"},
         {p.roBase + kAlias > s.nsba, L" RO base cannot overlap with the region for nonsecure."},
         {re + kAlias > s.nsba, L" RO region cannot overlap with the region for nonsecure."},
         {!IsPageAligned(p.roBase), L" RO base is not page alignment."},
         {!IsPageAligned(re), L" RO region is not page alignment."},
         {p.rwBase < sramBase || p.rwBase >= sramNsAlias,
          L" RW base must >= 0x20000000 and < 0x30000000"},
         {p.rwBase + kAlias >= s.sramNsba,
          L" RW base cannot overlap with the region of Non-secure"}});
}

ValidationError CheckSecureNsc(const ProjectValues& p, const ValidationSnapshot& s) {
    if (p.nscBase + kAlias > s.nsba)
        return Format(L"[%ls] NSC base cannot overlap with the region for Non-secure (0x%08X).",
                      p.name.c_str(), s.nsba);
    return FirstFailure(
        p.name,
        {{p.nscEnd() + kAlias > s.nsba,
          L" NSC region cannot overlap with the region for Non-secure."},
         {InHalfOpen(p.roBase, p.roEnd(), p.nscBase),
          L" NSC region cannot overlap with the region for RO region."}});
}

ValidationError CheckSecurePlacement(const ProjectValues& p, const ValidationSnapshot& s) {
    if (auto error = CheckSecureCodeAndData(p, s)) return error;
    if (auto error = CheckSecureNsc(p, s)) return error;
    return CheckOwnedXoms(p, World::Secure, s);
}

ValidationError CheckNonSecurePlacement(const ProjectValues& p, const ValidationSnapshot& s) {
    const std::uint32_t re = p.roEnd();
    if (auto error = FirstFailure(
            p.name,
            {{p.roBase < s.nsba || p.roBase > flashNsEnd,
              L" RO base must located in Non-secure region."},
             {re > flashNsEnd, L" RO region cannot out of Non-secure region."},
             {!IsPageAligned(p.roBase), L" RO base is not page alignment."},
             {!IsPageAligned(re), L" RO region is not page alignment."},
             {p.rwBase < s.sramNsba || p.rwBase > sramNsEnd,
              L" RW base must be in Non-secure region of SRAM."}}))
        return error;
    return CheckOwnedXoms(p, World::NonSecure, s);
}

ValidationError CheckPlacement(const ProjectValues& project, const ValidationSnapshot& snapshot) {
    switch (project.state) {
    case ProjectState::Secure:
        return CheckSecurePlacement(project, snapshot);
    case ProjectState::NonSecure:
        return CheckNonSecurePlacement(project, snapshot);
    case ProjectState::Other:
        break;
    }
    return project.name + L" Secure/Non-secure attribution must be \"S\" or \"NS\".";
}

}  // namespace

ValidationError CheckPlacements(const ValidationSnapshot& snapshot) {
    for (const ProjectValues& project : snapshot.projects)
        if (auto error = CheckPlacement(project, snapshot)) return error;
    return std::nullopt;
}

}  // namespace velmora
