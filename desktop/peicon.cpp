#include "desktop/peicon.h"

#include <algorithm>
#include <map>
#include <vector>

namespace peicon {
namespace {

constexpr std::uint32_t kIconType = 3;       // RT_ICON
constexpr std::uint32_t kIconGroupType = 14; // RT_GROUP_ICON
constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::uint32_t kMaxSections = 96; // the Windows loader's limit

// Reads little-endian values from untrusted bytes; every read is bounds-checked.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool contains(std::uint64_t offset, std::uint64_t length) const
    {
        return offset <= m_size && length <= m_size - offset;
    }
    bool u16(std::uint64_t offset, std::uint32_t& value) const
    {
        if (!contains(offset, 2))
            return false;
        value = m_data[offset] | (m_data[offset + 1] << 8);
        return true;
    }
    bool u32(std::uint64_t offset, std::uint32_t& value) const
    {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        if (!u16(offset, low) || !u16(offset + 2, high))
            return false;
        value = low | (high << 16);
        return true;
    }
    const std::uint8_t* at(std::uint64_t offset) const { return m_data + offset; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t rawSize;
    std::uint32_t rawOffset;
};

class PeImage {
public:
    explicit PeImage(const Bytes& bytes) : m_bytes(bytes) {}

    bool open()
    {
        std::uint32_t value = 0;
        std::uint32_t peOffset = 0;
        if (!m_bytes.u16(0, value) || value != 0x5A4D || !m_bytes.u32(0x3C, peOffset))
            return false;
        if (!m_bytes.u32(peOffset, value) || value != 0x00004550)
            return false;
        const std::uint64_t coff = std::uint64_t(peOffset) + 4;
        std::uint32_t sectionCount = 0;
        std::uint32_t optionalSize = 0;
        std::uint32_t magic = 0;
        if (!m_bytes.u16(coff + 2, sectionCount) || !m_bytes.u16(coff + 16, optionalSize))
            return false;
        const std::uint64_t optional = coff + 20;
        if (!m_bytes.u16(optional, magic))
            return false;
        std::uint64_t directories = 0;
        std::uint32_t directoryCount = 0;
        if (magic == 0x10B) {
            directories = optional + 96;
            if (!m_bytes.u32(optional + 92, directoryCount))
                return false;
        } else if (magic == 0x20B) {
            directories = optional + 112;
            if (!m_bytes.u32(optional + 108, directoryCount))
                return false;
        } else {
            return false;
        }
        // The resource table is the third data directory, inside the optional header.
        if (directoryCount < 3 || directories + 3 * 8 > optional + optionalSize)
            return false;
        if (!m_bytes.u32(directories + 16, m_resourceRva) || m_resourceRva == 0)
            return false;
        if (sectionCount > kMaxSections)
            return false;
        const std::uint64_t table = optional + optionalSize;
        for (std::uint32_t i = 0; i < sectionCount; ++i) {
            const std::uint64_t entry = table + std::uint64_t(i) * 40;
            Section section{};
            if (!m_bytes.u32(entry + 12, section.virtualAddress) || !m_bytes.u32(entry + 16, section.rawSize) ||
                !m_bytes.u32(entry + 20, section.rawOffset))
                return false;
            m_sections.push_back(section);
        }
        return true;
    }

    // The file offset of `length` bytes at a relative virtual address, when the file holds them.
    bool fileOffset(std::uint64_t rva, std::uint64_t length, std::uint64_t& offset) const
    {
        for (const Section& section : m_sections) {
            if (rva < section.virtualAddress)
                continue;
            const std::uint64_t within = rva - section.virtualAddress;
            if (within > section.rawSize || length > section.rawSize - within)
                continue;
            offset = std::uint64_t(section.rawOffset) + within;
            return m_bytes.contains(offset, length);
        }
        return false;
    }

    bool resourceU32(std::uint64_t relative, std::uint32_t& value) const
    {
        std::uint64_t offset = 0;
        return fileOffset(m_resourceRva + relative, 4, offset) && m_bytes.u32(offset, value);
    }
    bool resourceU16(std::uint64_t relative, std::uint32_t& value) const
    {
        std::uint64_t offset = 0;
        return fileOffset(m_resourceRva + relative, 2, offset) && m_bytes.u16(offset, value);
    }

    // The entry of a resource directory with the numeric `id`, or its first entry when `id` is
    // empty; gives the entry's target (a subdirectory flag and an offset).
    bool directoryEntry(std::uint32_t directory, std::optional<std::uint32_t> id, std::uint32_t& target) const
    {
        std::uint32_t named = 0;
        std::uint32_t numbered = 0;
        if (!resourceU16(directory + 12, named) || !resourceU16(directory + 14, numbered))
            return false;
        for (std::uint32_t i = 0; i < named + numbered; ++i) {
            const std::uint64_t entry = std::uint64_t(directory) + 16 + std::uint64_t(i) * 8;
            std::uint32_t name = 0;
            if (!resourceU32(entry, name) || !resourceU32(entry + 4, target))
                return false;
            if (!id || (!(name & kSubdirectory) && name == *id))
                return true;
        }
        return false;
    }

    // The names directory of a resource type.
    bool typeDirectory(std::uint32_t type, std::uint32_t& names) const
    {
        if (!directoryEntry(0, type, names) || !(names & kSubdirectory))
            return false;
        names &= ~kSubdirectory;
        return true;
    }

    // The languages directory of every numbered name in a names directory, read once so that
    // lookups stay cheap however many entries a hostile file declares.
    std::map<std::uint32_t, std::uint32_t> numberedNames(std::uint32_t names) const
    {
        std::map<std::uint32_t, std::uint32_t> index;
        std::uint32_t named = 0;
        std::uint32_t numbered = 0;
        if (!resourceU16(names + 12, named) || !resourceU16(names + 14, numbered))
            return index;
        for (std::uint32_t i = 0; i < named + numbered; ++i) {
            const std::uint64_t entry = std::uint64_t(names) + 16 + std::uint64_t(i) * 8;
            std::uint32_t name = 0;
            std::uint32_t target = 0;
            if (!resourceU32(entry, name) || !resourceU32(entry + 4, target))
                break;
            if (!(name & kSubdirectory) && (target & kSubdirectory))
                index.emplace(name, target & ~kSubdirectory);
        }
        return index;
    }

    // The bytes of a resource in the first language of its languages directory.
    bool firstLanguageData(std::uint32_t languages, const std::uint8_t*& data, std::uint32_t& size) const
    {
        std::uint32_t leaf = 0;
        std::uint32_t dataRva = 0;
        std::uint64_t offset = 0;
        if (!directoryEntry(languages, std::nullopt, leaf) || (leaf & kSubdirectory))
            return false;
        if (!resourceU32(leaf, dataRva) || !resourceU32(std::uint64_t(leaf) + 4, size) ||
            !fileOffset(dataRva, size, offset))
            return false;
        data = m_bytes.at(offset);
        return true;
    }

private:
    const Bytes& m_bytes;
    std::uint32_t m_resourceRva = 0;
    std::vector<Section> m_sections;
};

struct GroupEntry {
    int width;
    int height;
    int colorCount;
    int planes;
    int bitCount;
    std::uint32_t id;
};

// The entries of a group icon directory (GRPICONDIR), largest image first.
std::vector<GroupEntry> groupEntries(const std::uint8_t* data, std::uint32_t size)
{
    const Bytes group(data, size);
    std::uint32_t reserved = 0;
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    std::vector<GroupEntry> entries;
    if (!group.u16(0, reserved) || !group.u16(2, type) || !group.u16(4, count) || reserved != 0 || type != 1)
        return entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = 6 + std::uint64_t(i) * 14;
        std::uint32_t planes = 0;
        std::uint32_t bitCount = 0;
        std::uint32_t id = 0;
        if (!group.contains(at, 14) || !group.u16(at + 4, planes) || !group.u16(at + 6, bitCount) ||
            !group.u16(at + 12, id))
            break;
        const std::uint8_t* entry = group.at(at);
        entries.push_back(
            {entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256, entry[2], int(planes), int(bitCount), id});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const GroupEntry& a, const GroupEntry& b) {
        const long areaA = long(a.width) * a.height;
        const long areaB = long(b.width) * b.height;
        return areaA != areaB ? areaA > areaB : a.bitCount > b.bitCount;
    });
    return entries;
}

} // namespace

std::optional<icofile::Image> firstGroupLargestIcon(const std::uint8_t* data, std::size_t size)
{
    const Bytes bytes(data, size);
    PeImage image(bytes);
    if (!data || !image.open())
        return std::nullopt;
    std::uint32_t groupNames = 0;
    std::uint32_t firstGroup = 0;
    std::uint32_t iconNames = 0;
    const std::uint8_t* group = nullptr;
    std::uint32_t groupSize = 0;
    if (!image.typeDirectory(kIconGroupType, groupNames) || !image.typeDirectory(kIconType, iconNames) ||
        !image.directoryEntry(groupNames, std::nullopt, firstGroup) || !(firstGroup & kSubdirectory) ||
        !image.firstLanguageData(firstGroup & ~kSubdirectory, group, groupSize))
        return std::nullopt;
    const std::map<std::uint32_t, std::uint32_t> icons = image.numberedNames(iconNames);
    // A group entry whose image is missing gives way to the next largest.
    for (const GroupEntry& entry : groupEntries(group, groupSize)) {
        const auto languages = icons.find(entry.id);
        const std::uint8_t* icon = nullptr;
        std::uint32_t iconSize = 0;
        if (languages == icons.end() || !image.firstLanguageData(languages->second, icon, iconSize) || iconSize == 0)
            continue;
        icofile::Image result;
        result.width = entry.width;
        result.height = entry.height;
        result.colorCount = entry.colorCount;
        result.planes = entry.planes;
        result.bitCount = entry.bitCount;
        result.data.assign(icon, icon + iconSize);
        return result;
    }
    return std::nullopt;
}

} // namespace peicon
