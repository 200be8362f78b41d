// Version, directories, ticks and the texts of error codes.
#include "platform/Internal.h"
#include "platform/Language.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unistd.h>

bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

namespace platform::detail {
namespace {

// The version the HID layer's extra entry points are chosen by: Windows XP.
OSVERSIONINFOA ReportedVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    info.dwMajorVersion = 5;
    info.dwMinorVersion = 1;
    info.dwBuildNumber = 2600;
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    return info;
}

DWORD FromErrno(int error) {
    switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG: return ERROR_INVALID_PARAMETER;
    default: return ERROR_GEN_FAILURE;
    }
}

// The texts of the error codes, in English and in Russian.
struct MessageTexts {
    DWORD code;
    const char* english;
    const char* russian;
};

constexpr MessageTexts kMessages[] = {
    {ERROR_SUCCESS, "The operation succeeded.", "Операция выполнена успешно."},
    {ERROR_INVALID_FUNCTION, "The function is not valid here.", "Недопустимая функция."},
    {ERROR_FILE_NOT_FOUND, "No such file or device.", "Нет такого файла или устройства."},
    {ERROR_PATH_NOT_FOUND, "No such path.", "Путь не найден."},
    {ERROR_ACCESS_DENIED, "Access denied.", "Отказано в доступе."},
    {ERROR_INVALID_HANDLE, "The handle is not valid.", "Неверный дескриптор."},
    {ERROR_NOT_ENOUGH_MEMORY, "Out of memory.", "Недостаточно памяти."},
    {ERROR_INVALID_DATA, "The data is not valid.", "Неверные данные."},
    {ERROR_GEN_FAILURE, "The device does not work.", "Устройство не работает."},
    {ERROR_SHARING_VIOLATION, "The device is in use by another program.",
     "Устройство занято другой программой."},
    {ERROR_NOT_SUPPORTED, "The request is not supported.", "Запрос не поддерживается."},
    {ERROR_INVALID_PARAMETER, "A parameter is not valid.", "Неверный параметр."},
    {ERROR_CALL_NOT_IMPLEMENTED, "The routine is not implemented on this system.",
     "Функция не реализована в этой системе."},
    {ERROR_INSUFFICIENT_BUFFER, "The buffer is too small.", "Буфер слишком мал."},
    {ERROR_MOD_NOT_FOUND, "The module was not found.", "Модуль не найден."},
    {ERROR_PROC_NOT_FOUND, "The routine was not found.", "Функция не найдена."},
    {ERROR_NO_MORE_ITEMS, "There are no more items.", "Больше элементов нет."},
    {ERROR_OPERATION_ABORTED, "The I/O operation was cancelled.",
     "Операция ввода-вывода отменена."},
    {ERROR_IO_INCOMPLETE, "The I/O operation has not ended yet.",
     "Операция ввода-вывода еще не завершена."},
    {ERROR_IO_PENDING, "The I/O operation is in progress.", "Идет операция ввода-вывода."},
    {ERROR_DEVICE_NOT_CONNECTED, "The device is not connected.", "Устройство не подключено."},
    {ERROR_NOT_FOUND, "Not found.", "Не найдено."},
    {ERROR_INVALID_WINDOW_HANDLE, "The window handle is not valid.", "Неверный дескриптор окна."},
    {ERROR_TIMEOUT, "The wait for the operation timed out.", "Время ожидания операции истекло."},
    {ERROR_INVALID_USER_BUFFER, "The buffer is not valid for this request.",
     "Буфер не подходит для этого запроса."},
    {ERROR_RESOURCE_LANG_NOT_FOUND, "There is no text in this language.",
     "Нет текста на этом языке."},
    {ERROR_NO_SUCH_DEVINST, "The device instance does not exist.",
     "Экземпляр устройства не существует."},
};

const MessageTexts* FindMessage(DWORD code) {
    for (const MessageTexts& m : kMessages)
        if (m.code == code)
            return &m;
    return nullptr;
}

// The English text also for the neutral language; none for a language without texts.
const char* MessageText(DWORD code, WORD language) {
    const MessageTexts* m = FindMessage(code);
    if (!m)
        return nullptr;
    switch (PRIMARYLANGID(language)) {
    case LANG_NEUTRAL:
    case LANG_ENGLISH: return m->english;
    case LANG_RUSSIAN: return m->russian;
    default: return nullptr;
    }
}

bool HasTexts(WORD language) {
    const WORD primary = PRIMARYLANGID(language);
    return primary == LANG_NEUTRAL || primary == LANG_ENGLISH || primary == LANG_RUSSIAN;
}

// The locale that names the user's messages: the first of LC_ALL, LC_MESSAGES and LANG that
// is set and not empty, as the C library takes them.
std::string_view MessagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(name); value && *value)
            return value;
    return {};
}

// The user's language where the system has texts in it (a locale "ru", "ru_RU.UTF-8", ...),
// English otherwise ("C", "POSIX", a language without texts, no locale).
WORD UserLanguage() {
    const std::string_view locale = MessagesLocale();
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    return language == "ru" ? MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT)
                            : MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT);
}

} // namespace
} // namespace platform::detail

using namespace platform::detail;

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
    if (!lpVersionInformation)
        return Fail(ERROR_INVALID_PARAMETER);
    if (lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    *lpVersionInformation = ReportedVersion();
    return TRUE;
}

BOOL SetCurrentDirectoryA(LPCSTR lpPathName) {
    if (!lpPathName)
        return Fail(ERROR_INVALID_PARAMETER);
    if (::chdir(lpPathName) != 0)
        return Fail(FromErrno(errno));
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    char path[PATH_MAX];
    if (!::getcwd(path, sizeof path))
        return Fail(FromErrno(errno)), 0;
    const DWORD length = static_cast<DWORD>(std::strlen(path));
    if (!lpBuffer || nBufferLength <= length)
        return length + 1; // the size needed, NUL included
    std::memcpy(lpBuffer, path, length + 1);
    return length;
}

DWORD GetTickCount() {
    using namespace std::chrono;
    return static_cast<DWORD>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string SysErrorMessage(DWORD code) {
    if (const char* text = MessageText(code, LANG_NEUTRAL))
        return text;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "Unknown error %u.", static_cast<unsigned>(code));
    return buffer;
}

DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                     LPSTR lpBuffer, DWORD nSize, void* Arguments) {
    (void)lpSource;
    (void)Arguments;
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || !lpBuffer)
        return Fail(ERROR_INVALID_PARAMETER), 0;
    const WORD language = dwLanguageId == 0 ? UserLanguage() : static_cast<WORD>(dwLanguageId);
    if (dwLanguageId > 0xFFFF || !HasTexts(language))
        return Fail(ERROR_RESOURCE_LANG_NOT_FOUND), 0;
    const char* text = MessageText(dwMessageId, language);
    if (!text)
        return Fail(ERROR_NOT_FOUND), 0;
    std::string message = text;
    if (!(dwFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK))
        message += "\r\n";
    if (nSize <= message.size())
        return Fail(ERROR_INSUFFICIENT_BUFFER), 0;
    std::memcpy(lpBuffer, message.c_str(), message.size() + 1);
    return static_cast<DWORD>(message.size());
}
