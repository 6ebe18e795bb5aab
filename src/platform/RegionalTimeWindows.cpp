// The regional date and time from the user's formats in Windows' regional
// settings.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/RegionalTime.h"
#include "platform/WideText.h"

namespace vindeleo {

namespace {

SYSTEMTIME SystemTimeOf(const std::tm& local) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(local.tm_year + 1900);
    time.wMonth = static_cast<WORD>(local.tm_mon + 1);
    time.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time.wDay = static_cast<WORD>(local.tm_mday);
    time.wHour = static_cast<WORD>(local.tm_hour);
    time.wMinute = static_cast<WORD>(local.tm_min);
    time.wSecond = static_cast<WORD>(local.tm_sec);
    return time;
}

// The user's short date picture, its year widened to four digits.
std::wstring ShortDatePicture() {
    wchar_t picture[LOCALE_NAME_MAX_LENGTH * 4];
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, picture, std::size(picture));
    return WithFourDigitYearPicture(length > 0 ? std::wstring(picture, static_cast<std::size_t>(length - 1))
                                               : std::wstring(L"dd/MM/yyyy"));
}

std::wstring DateText(const SYSTEMTIME& time) {
    const std::wstring picture = ShortDatePicture();
    wchar_t text[256];
    const int length = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, picture.c_str(), text,
                                       std::size(text), nullptr);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length - 1)) : std::wstring();
}

// The user's long time format (the default of GetTimeFormatEx).
std::wstring TimeText(const SYSTEMTIME& time) {
    wchar_t text[256];
    const int length = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, text, std::size(text));
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length - 1)) : std::wstring();
}

}  // namespace

std::tm LocalTime(std::time_t moment) {
    std::tm local{};
    localtime_s(&local, &moment);
    return local;
}

std::string RegionalDateTime(std::time_t moment) {
    const SYSTEMTIME time = SystemTimeOf(LocalTime(moment));
    return platform::wide::Narrowed(platform::wide::kWindows1252, DateText(time) + L' ' + TimeText(time));
}

}  // namespace vindeleo
