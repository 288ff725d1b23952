// errortext.cpp -- the system's texts for error codes (FormatMessageW)
//
// One text for every error code this layer sets. Like the device's texts,
// each ends in "\r\n", so a program that shows one in a box or appends to
// it gets the line break it was made for.
#include <os/sysinfo.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

struct ErrorText
{
    DWORD code;
    const char16_t* text;
};

const ErrorText kTexts[] = {
    {ERROR_SUCCESS, u"The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, u"Incorrect function."},
    {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, u"The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, u"The system cannot open the file."},
    {ERROR_ACCESS_DENIED, u"Access is denied."},
    {ERROR_INVALID_HANDLE, u"The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, u"Not enough storage is available to process this command."},
    {ERROR_BAD_FORMAT, u"An attempt was made to load a program with an incorrect format."},
    {ERROR_INVALID_ACCESS, u"The access code is invalid."},
    {ERROR_INVALID_DATA, u"The data is invalid."},
    {ERROR_OUTOFMEMORY, u"Not enough storage is available to complete this operation."},
    {ERROR_NO_MORE_FILES, u"There are no more files."},
    {ERROR_WRITE_PROTECT, u"The media is write protected."},
    {ERROR_WRITE_FAULT, u"The system cannot write to the specified device."},
    {ERROR_READ_FAULT, u"The system cannot read from the specified device."},
    {ERROR_SHARING_VIOLATION, u"The process cannot access the file because it is being used by another process."},
    {ERROR_HANDLE_EOF, u"Reached the end of the file."},
    {ERROR_NOT_SUPPORTED, u"The request is not supported."},
    {ERROR_FILE_EXISTS, u"The file exists."},
    {ERROR_INVALID_PARAMETER, u"The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, u"The pipe has been ended."},
    {ERROR_DISK_FULL, u"There is not enough space on the disk."},
    {ERROR_CALL_NOT_IMPLEMENTED, u"This function is not supported on this system."},
    {ERROR_INSUFFICIENT_BUFFER, u"The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, u"The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_MOD_NOT_FOUND, u"The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, u"The specified procedure could not be found."},
    {ERROR_NEGATIVE_SEEK, u"An attempt was made to move the file pointer before the beginning of the file."},
    {ERROR_DIR_NOT_EMPTY, u"The directory is not empty."},
    {ERROR_BAD_PATHNAME, u"The specified path is invalid."},
    {ERROR_BUSY, u"The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, u"Cannot create a file when that file already exists."},
    {ERROR_BAD_EXE_FORMAT, u"The file is not a valid application."},
    {ERROR_FILENAME_EXCED_RANGE, u"The filename or extension is too long."},
    {ERROR_MORE_DATA, u"More data is available."},
    {WAIT_TIMEOUT, u"The wait operation timed out."},
    {ERROR_NO_MORE_ITEMS, u"No more data is available."},
    {ERROR_DIRECTORY, u"The directory name is invalid."},
    {ERROR_NOT_OWNER, u"Attempt to release mutex not owned by caller."},
    {ERROR_TOO_MANY_POSTS, u"Too many posts were made to a semaphore."},
    {ERROR_INVALID_ADDRESS, u"Attempt to access invalid address."},
    {ERROR_INVALID_FLAGS, u"Invalid flags."},
    {ERROR_BADDB, u"The configuration registry database is corrupt."},
    {ERROR_BADKEY, u"The configuration registry key is invalid."},
    {ERROR_CANTOPEN, u"The configuration registry key could not be opened."},
    {ERROR_CANTREAD, u"The configuration registry key could not be read."},
    {ERROR_CANTWRITE, u"The configuration registry key could not be written."},
    {ERROR_REGISTRY_CORRUPT, u"The registry is corrupted."},
    {ERROR_KEY_DELETED, u"Illegal operation attempted on a registry key that has been marked for deletion."},
    {ERROR_INVALID_WINDOW_HANDLE, u"Invalid window handle."},
    {ERROR_INVALID_MENU_HANDLE, u"Invalid menu handle."},
    {ERROR_INVALID_CURSOR_HANDLE, u"Invalid cursor handle."},
    {ERROR_TLW_WITH_WSCHILD, u"Cannot create a top-level child window."},
    {ERROR_CANNOT_FIND_WND_CLASS, u"Cannot find window class."},
    {ERROR_WINDOW_OF_OTHER_THREAD, u"Invalid window; it belongs to other thread."},
    {ERROR_HOTKEY_ALREADY_REGISTERED, u"Hot key is already registered."},
    {ERROR_CLASS_ALREADY_EXISTS, u"Class already exists."},
    {ERROR_CLASS_DOES_NOT_EXIST, u"Class does not exist."},
    {ERROR_INVALID_INDEX, u"Invalid index."},
    {ERROR_HOTKEY_NOT_REGISTERED, u"Hot key is not registered."},
    {ERROR_CONTROL_ID_NOT_FOUND, u"Control ID not found."},
    {ERROR_RESOURCE_DATA_NOT_FOUND, u"The specified image file did not contain a resource section."},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, u"The specified resource type cannot be found in the image file."},
    {ERROR_RESOURCE_NAME_NOT_FOUND, u"The specified resource name cannot be found in the image file."},
};

const char16_t* find_text(DWORD code)
{
    auto it = std::find_if(std::begin(kTexts), std::end(kTexts), [&](const ErrorText& e) { return e.code == code; });
    return it == std::end(kTexts) ? nullptr : it->text;
}

DWORD fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

// Copies the text into a LocalAlloc'ed block of at least `minimum` characters.
DWORD allocate_copy(const std::u16string& text, LPWSTR* out, DWORD minimum)
{
    size_t count = std::max<size_t>(text.size() + 1, minimum);
    auto* block = static_cast<LPWSTR>(LocalAlloc(LMEM_ZEROINIT, count * sizeof(WCHAR)));
    if (!block)
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    std::copy(text.begin(), text.end(), block);
    *out = block;
    return DWORD(text.size());
}

} // namespace

DWORD FormatMessageW(DWORD flags, LPCVOID, DWORD message_id, DWORD, LPWSTR buffer, DWORD size, va_list*)
{
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) ||
        !buffer)
        return fail(ERROR_INVALID_PARAMETER);
    const char16_t* found = find_text(message_id);
    if (!found)
        return fail(ERROR_MR_MID_NOT_FOUND);
    std::u16string text = std::u16string(found) + u"\r\n";
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER)
        return allocate_copy(text, reinterpret_cast<LPWSTR*>(buffer), size);
    if (text.size() + 1 > size)
        return fail(ERROR_INSUFFICIENT_BUFFER);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return DWORD(text.size());
}
