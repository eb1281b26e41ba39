#include "monitor/drivepath.h"

namespace drivepath {

bool toDrivePath(const std::u16string& imagePath, const std::vector<DosDrive>& drives, std::u16string* result)
{
    for (const DosDrive& drive : drives) {
        if (drive.deviceName.empty() || imagePath.find(drive.deviceName) == std::u16string::npos)
            continue;
        // The device name and the separator after it give way to "X:\".
        const size_t cut = drive.deviceName.size() + 1;
        std::u16string path{drive.letter, u':', u'\\'};
        if (cut < imagePath.size())
            path += imagePath.substr(cut);
        path.resize(std::min(path.size(), kMaxPath - 1));
        *result = path;
        return true;
    }
    *result = u"Unknown";
    return false;
}

} // namespace drivepath
