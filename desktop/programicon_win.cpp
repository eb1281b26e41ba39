#include "desktop/programicon_win.h"

#include <windows.h>

#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>
#include <shellapi.h>

namespace shellicon {
namespace {

constexpr SIZE_T kTrialRoom = 64 * 1024;
constexpr ULONG kReadSize = 256;

IPicture* iconPicture(HICON icon, bool ownsIcon)
{
    PICTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_ICON;
    description.icon.hicon = icon;
    IPicture* picture = nullptr;
    if (FAILED(OleCreatePictureIndirect(&description, IID_IPicture, ownsIcon ? TRUE : FALSE,
                                        reinterpret_cast<void**>(&picture))))
        return nullptr;
    return picture;
}

// Whether the picture saves to anything at all, into a 64 KB movable block.
bool savesSomething(IPicture* picture)
{
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, kTrialRoom);
    if (!block)
        return false;
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return false;
    }
    LONG size = 0;
    const bool saved = SUCCEEDED(picture->SaveAsFile(stream, TRUE, &size)) && size > 0;
    stream->Release();
    return saved;
}

// A second picture over the same handle that leaves it alone, saved into a growable stream
// and read back from its start.
std::string savedIcon(HICON icon)
{
    std::string bytes;
    IPicture* picture = iconPicture(icon, false);
    if (!picture)
        return bytes;
    IStream* stream = nullptr;
    if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) {
        LONG size = 0;
        if (SUCCEEDED(picture->SaveAsFile(stream, TRUE, &size))) {
            const LARGE_INTEGER start{};
            stream->Seek(start, STREAM_SEEK_SET, nullptr);
            char chunk[kReadSize];
            ULONG read = 0;
            while (SUCCEEDED(stream->Read(chunk, kReadSize, &read)) && read > 0)
                bytes.append(chunk, read);
        }
        stream->Release();
    }
    picture->Release();
    return bytes;
}

} // namespace

std::string iconBytes(const std::wstring& exePath)
{
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(exePath.c_str(), 0, &info, sizeof info, SHGFI_ICON) || !info.hIcon)
        return std::string();
    // This picture owns the handle: releasing it destroys the icon.
    IPicture* picture = iconPicture(info.hIcon, true);
    if (!picture) {
        DestroyIcon(info.hIcon);
        return std::string();
    }
    std::string bytes;
    if (savesSomething(picture))
        bytes = savedIcon(info.hIcon);
    picture->Release();
    return bytes;
}

} // namespace shellicon
