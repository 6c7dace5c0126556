// Clipboard_Win.cpp — the primitive clipboard on the Win32 clipboard, under the registered format
// named after the private type.
#include <windows.h>

#include <cstring>
#include <string>

#include "Headers/LogsController.h"
#include "PrimitiveClipboard.h"
#include "platform/win/PluginModule_Win.h"

namespace {

// Asked for each time: the system gives the same id for the same name.
UINT privateFormat() { return RegisterClipboardFormatA(kPrimitiveClipboardType); }

// The clipboard's owner while this module copies. SetClipboardData fails on Windows when the
// clipboard was opened without an owner window. The window is message-only and of a system class,
// so none of this module's code runs for it and nothing is left pointing into the module after it
// unloads; it lives as long as the thread that made it (the host's UI thread).
HWND clipboardOwner() {
    static HWND owner = nullptr;
    if (!owner || !IsWindow(owner))
        owner = CreateWindowExA(0, "STATIC", "Morphalith clipboard", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetPluginModuleHandle(), nullptr);
    return owner;
}

void logFailure(const char* what) {
    MRPH_LOG_ERROR_IN("CopyBytesToClipboard", std::string(what) + " failed with error " + std::to_string(GetLastError()));
}

}  // namespace

void CopyBytesToClipboard(const void* bytes, std::size_t size) {
    // The block is filled before the clipboard is opened, so it is held open as briefly as can be.
    HGLOBAL block = nullptr;
    if (size > 0) {
        block = GlobalAlloc(GMEM_MOVEABLE, size);
        void* data = block ? GlobalLock(block) : nullptr;
        if (!data) {
            logFailure(block ? "GlobalLock" : "GlobalAlloc");
            if (block) GlobalFree(block);
            return;
        }
        std::memcpy(data, bytes, size);
        GlobalUnlock(block);
    }

    HWND owner = clipboardOwner();
    if (!owner || !OpenClipboard(owner)) {
        logFailure(owner ? "OpenClipboard" : "CreateWindowEx");
        if (block) GlobalFree(block);
        return;
    }
    if (!EmptyClipboard()) logFailure("EmptyClipboard");
    // No bytes: the clipboard is left empty, and Paste finds nothing.
    if (block && !SetClipboardData(privateFormat(), block)) {
        logFailure("SetClipboardData");
        GlobalFree(block);  // the system took no ownership of it
    }
    CloseClipboard();
}

bool PasteBytesFromClipboard(std::vector<std::uint8_t>& bytes) {
    const UINT format = privateFormat();
    if (!IsClipboardFormatAvailable(format)) return false;
    if (!OpenClipboard(nullptr)) return false;
    bool pasted = false;
    if (HANDLE block = GetClipboardData(format)) {
        if (const void* data = GlobalLock(block)) {
            const auto* first = static_cast<const std::uint8_t*>(data);
            bytes.assign(first, first + GlobalSize(block));  // the block stays the system's
            GlobalUnlock(block);
            pasted = true;
        }
    }
    CloseClipboard();
    return pasted;
}

bool IsBytesInClipboard() { return IsClipboardFormatAvailable(privateFormat()) != FALSE; }
