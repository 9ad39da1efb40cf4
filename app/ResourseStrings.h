// The program's user texts (Russian, UTF-8) and the fixed texts of the traffic log.
// Every layer takes its texts from here, so a text is written once.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

// Formats a text with %d and %s placeholders the way the string table expects.
inline std::string FormatText(const char* Format, ...) __attribute__((format(printf, 1, 2)));
inline std::string FormatText(const char* Format, ...) {
    va_list Args;
    va_start(Args, Format);
    va_list Copy;
    va_copy(Copy, Args);
    const int Length = std::vsnprintf(nullptr, 0, Format, Copy);
    va_end(Copy);
    std::string Result(Length > 0 ? static_cast<size_t>(Length) : 0, '\0');
    if (Length > 0) {
        std::vsnprintf(Result.data(), Result.size() + 1, Format, Args);
    }
    va_end(Args);
    return Result;
}

// ---- Image files ----
inline constexpr const char* SHexStringIsTooShort = "Слишком короткая HEX строка.";
inline constexpr const char* SOddHexStringLength = "Нечетная длинна HEX строки.";
inline constexpr const char* SWrongHexStringCS = "Неверная контрольная сумма HEX строки.";
inline constexpr const char* SWrongHexDataLength =
    "Неверная длинна HEX данных.\r\nПредполагаемая длинна: %d\r\nДействительная длинна: %d";
inline constexpr const char* SFileIsEmpty = "Указанный файл пуст.";

// ---- Traffic log ----
inline constexpr const char* SLogWriteError = "Ошибка записи в файл журнала %s.";

// ---- Packages ----

// ---- Serial port ----

// ---- Programmer link ----

// ---- Operations ----

// ---- Windows ----
