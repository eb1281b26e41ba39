#include "desktop/programicon_win.h"
#include "winsupport.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

namespace {

// Wine's IPicture::SaveAsFile saves nothing, so the suite puts a picture of its own behind
// OleCreatePictureIndirect: it records how it was made and saves known bytes.
struct Made {
    UINT size;
    SHORT type;
    HICON icon;
    BOOL owns;
};
std::vector<Made> g_made;
std::vector<BOOL> g_memoryCopies;
int g_released = 0;
std::string g_content;

class FakePicture final : public IPicture {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (--refs_ > 0)
            return refs_;
        ++g_released;
        delete this;
        return 0;
    }
    HRESULT STDMETHODCALLTYPE SaveAsFile(LPSTREAM stream, BOOL memoryCopy, LONG* size) override
    {
        g_memoryCopies.push_back(memoryCopy);
        ULONG written = 0;
        stream->Write(g_content.data(), static_cast<ULONG>(g_content.size()), &written);
        *size = static_cast<LONG>(written);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Type(SHORT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Render(HDC, LONG, LONG, LONG, LONG, OLE_XPOS_HIMETRIC, OLE_YPOS_HIMETRIC,
                                     OLE_XSIZE_HIMETRIC, OLE_YSIZE_HIMETRIC, LPCRECT) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE set_hPal(OLE_HANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurDC(HDC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SelectPicture(HDC, HDC*, OLE_HANDLE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_KeepOriginalFormat(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_KeepOriginalFormat(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PictureChanged() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Attributes(DWORD*) override { return E_NOTIMPL; }

private:
    ULONG refs_ = 1;
};

HRESULT WINAPI makeFakePicture(LPPICTDESC description, REFIID, BOOL owns, LPVOID* out)
{
    g_made.push_back(
        {description->cbSizeofstruct, static_cast<SHORT>(description->picType), description->icon.hicon, owns});
    *out = static_cast<IPicture*>(new FakePicture);
    return S_OK;
}

// A fresh prefix knows no file type ".exe", and the shell then has no icon for programs.
void registerExeType()
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CLASSES_ROOT, L".exe", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"exefile"), sizeof L"exefile");
    RegCloseKey(key);
    RegCreateKeyExW(HKEY_CLASSES_ROOT, L"exefile\\DefaultIcon", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"%1"), sizeof L"%1");
    RegCloseKey(key);
}

struct Fixture {
    Fixture()
    {
        CoInitialize(nullptr);
        registerExeType();
        g_made.clear();
        g_memoryCopies.clear();
        g_released = 0;
    }
    ~Fixture() { CoUninitialize(); }
};

} // namespace

TEST_CASE_FIXTURE(Fixture, "a program's shell icon is saved by an owning picture's trial and a second picture's save")
{
    winsupport::ImportPatch patch("oleaut32.dll", "OleCreatePictureIndirect",
                                  reinterpret_cast<void*>(&makeFakePicture));
    REQUIRE(patch.original);
    // More than one 256-byte read's worth.
    g_content.assign(700, '\0');
    for (size_t i = 0; i < g_content.size(); ++i)
        g_content[i] = static_cast<char>(i * 7);

    CHECK(shellicon::iconBytes(winsupport::childProgram()) == g_content);
    REQUIRE(g_made.size() == 2);
    CHECK(g_made[0].size == sizeof(PICTDESC));
    CHECK(g_made[0].type == PICTYPE_ICON);
    CHECK(g_made[0].icon != nullptr);
    CHECK(g_made[0].owns);
    CHECK(g_made[1].icon == g_made[0].icon);
    CHECK_FALSE(g_made[1].owns);
    CHECK(g_memoryCopies == std::vector<BOOL>{TRUE, TRUE});
    CHECK(g_released == 2);
}

TEST_CASE_FIXTURE(Fixture, "no icon, or a picture that saves nothing, gives no bytes")
{
    winsupport::ImportPatch patch("oleaut32.dll", "OleCreatePictureIndirect",
                                  reinterpret_cast<void*>(&makeFakePicture));
    g_content.clear();
    CHECK(shellicon::iconBytes(winsupport::childProgram()).empty());
    CHECK(g_made.size() == 1);
    CHECK(g_released == 1);

    g_made.clear();
    CHECK(shellicon::iconBytes(L"C:\\no\\such\\Game.exe").empty());
    CHECK(g_made.empty());
}

TEST_CASE_FIXTURE(Fixture, "the system's own picture object runs the same path")
{
    // Under wine it saves 0 bytes, so there is nothing to compare: the path must not fail.
    const std::string bytes = shellicon::iconBytes(winsupport::childProgram());
    if (!bytes.empty())
        CHECK(bytes.compare(0, 4, std::string("\0\0\1\0", 4)) == 0);
}
