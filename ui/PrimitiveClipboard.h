// PrimitiveClipboard.h — the system clipboard as the primitive strip's Copy and Paste buttons use it.
//
// A payload is a bare run of 36-byte records (a 32-bit slot offset, then the parameter's 32-byte stream
// value), kept on the clipboard under one private type so that only this effect reads it back. One
// interface; a body per platform: the Win32 clipboard (platform/win/), the general pasteboard
// (platform/mac/), and on Linux a file of the user's shared by every process (platform/linux/). What
// comes back is anybody's bytes: ClipboardRecords.h checks them before a paste applies any.
#ifndef MORPHALITH_UI_PRIMITIVE_CLIPBOARD_H
#define MORPHALITH_UI_PRIMITIVE_CLIPBOARD_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The private type: the pasteboard type, or the name of the registered clipboard format.
constexpr const char* kPrimitiveClipboardType = "com.quorvexlabs.primitiveparam";

// The most a copy writes: a record for each of a slot's 99 parameters. A platform that holds the bytes
// as written (the Linux store) takes anything larger for somebody else's.
constexpr std::size_t kLargestClipboardPayload = 99 * 36;

// Replaces the clipboard's contents with `size` bytes under the private type. With no bytes the
// clipboard is only emptied. Failures are logged; the caller is told nothing.
void CopyBytesToClipboard(const void* bytes, std::size_t size);

// True with `bytes` holding the clipboard's data of the private type (the platform may add padding
// after the copied bytes); false, and `bytes` untouched, when there is none.
bool PasteBytesFromClipboard(std::vector<std::uint8_t>& bytes);

// Whether the clipboard holds data of the private type (the Paste button's state).
bool IsBytesInClipboard();

#endif  // MORPHALITH_UI_PRIMITIVE_CLIPBOARD_H
