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
inline constexpr const char* SOddHexStringLength = "Нечетная длинна HEX строки.";
// A malformed line of an image file: the line's number in the file, then the error's own text,
// then what was found where the text says no more.
inline constexpr const char* SHexLineNumber = "Строка %lld: ";
inline constexpr const char* SHexStringIsTooShort = "Слишком короткая HEX строка.";
inline constexpr const char* SWrongHexStringCS = "Неверная контрольная сумма HEX строки.";
inline constexpr const char* SHexChecksumDetail = " Ожидалась %02Xh, записана %02Xh.";
// After the checksum: the first character of the line that is not a hexadecimal digit (read as
// 0), shown as itself or as \xHH, and its column in the line, counted from 1.
inline constexpr const char* SHexNotADigitDetail =
    " Символ «%s» в столбце %lld — не шестнадцатеричная цифра.";
inline constexpr const char* SWrongHexDataLength =
    "Неверная длинна HEX данных.\r\nПредполагаемая длинна: %d\r\nДействительная длинна: %d";
inline constexpr const char* SWrongExtendedAddress =
    "Неверная HEX строка расширенного адреса: нужно 2 байта данных.";
inline constexpr const char* SFileIsEmpty = "Указанный файл пуст.";
inline constexpr const char* SImageIsTooLarge =
    "Образ слишком велик: адреса выходят за пределы 64 МБ.";
inline constexpr const char* SCannotReadFile = "Не удалось прочитать файл %s.";
inline constexpr const char* SCannotWriteFile = "Не удалось записать файл %s.";
inline constexpr const char* SStampBeyondChip =
    "Серийный номер не помещается в микросхему: адрес %lld, %d байт, а в микросхеме %lld байт.";
inline constexpr const char* SFileIsReadOnly = "Файл помечен только для чтения.";
inline constexpr const char* SListIndexOutOfBounds = "Индекс списка вне допустимых пределов (%d).";
// Raw binary image files: their extension (in any case); then the file's name, its page length,
// its size and the chip's.
inline constexpr const char* SBinaryImageExtension = ".bin";
inline constexpr const char* SBinaryLastPagePadded =
    "Длина файла %s не кратна %d байтам: последняя страница дополнена байтами FF.";
// A raw file has no room to say that a page is missing: the file's name and the missing pages.
inline constexpr const char* SBinaryImageHasGaps =
    "Образ нельзя сохранить в файл %s: в образе нет страниц %s, а в двоичном файле их не "
    "отличить от прочитанных. Сохраните образ в файл .ldr.";
inline constexpr const char* SBinaryFileTooLarge =
    "Файл %s слишком велик: %lld байт, а в микросхему помещается не более %lld байт.";

// ---- Traffic log ----
inline constexpr const char* SLogWriteError = "Ошибка записи в файл журнала %s.";
inline constexpr const char* SLogNextFileError =
    "Не удалось начать новый файл журнала %s, журнал отключён.";

// ---- Packages ----
inline constexpr const char* SWrongLength = "EWrongLength";
inline constexpr const char* SWrongLengthReport = "EWrongLength Length is: %d";
inline constexpr const char* SPackageExtractorStarted = "Поток извлечения пакетов запущен.";
inline constexpr const char* SPackageExtractorSuspended = "Поток извлечения пакетов приостановлен.";
inline constexpr const char* SPackageExtractorBreak = "Break";
inline constexpr const char* SPackageExtractorDestroyed = "Поток извлечения пакетов уничтожен.";
inline constexpr const char* SPackageExtractorIndexesZeroed = "Indexies have been zeroed.";
inline constexpr const char* SPackageReceived = "Получен пакет";

// ---- Serial port ----
inline constexpr const char* SCommPortNotFound = "COM порт %s (%s) не найден.";
inline constexpr const char* SCommPortAccessDenied =
    "Нет доступа к COM порту %s (%s). Пользователь должен входить в группу dialout.";
inline constexpr const char* SCommPortBusy = "COM порт %s (%s) занят другой программой.";
inline constexpr const char* SCommPortNotSerial = "%s (%s) не является последовательным портом.";
inline constexpr const char* SCommPortOpenError = "Не удалось открыть COM порт %s (%s): %s.";
inline constexpr const char* SCommPortExclusiveFailed =
    "Не удалось получить исключительный доступ к COM порту %s (%s): %s.";
// Port, device, which settings (SCommPortLineSettings, SCommPortReadSettings or
// SCommPortReadTimeoutSettings), why.
inline constexpr const char* SCommPortSettingsRefused =
    "COM порт %s (%s) не принял настройки %s: %s.";
inline constexpr const char* SCommPortLineSettings = "линии %u 8N1";
inline constexpr const char* SCommPortReadSettings = "чтения (VMIN 1, VTIME 0)";
inline constexpr const char* SCommPortReadTimeoutSettings = "чтения (COMMTIMEOUTS без тайм-аутов)";
// The settings that stayed as they were, joined by ", ".
inline constexpr const char* SCommPortSettingsNotApplied = "не применились %s";
inline constexpr const char* SCommPortSettingSpeed = "скорость";
inline constexpr const char* SCommPortSettingByteSize = "число бит данных";
inline constexpr const char* SCommPortSettingParity = "чётность";
inline constexpr const char* SCommPortSettingStopBits = "число стоп-бит";
inline constexpr const char* SCommPortSettingReadMinimum = "VMIN";
inline constexpr const char* SCommPortSettingReadTimer = "VTIME";
inline constexpr const char* SCommPortWriteIncomplete =
    "COM порт %s не принял данные: передано %u из %u байт.";
inline constexpr const char* SReceivedFromCommPort = "Получено из COM порта";
inline constexpr const char* SCommReadThreadError = "Ошибка в потоке чтения COM порта: %s";

// ---- Programmer link ----
inline constexpr const char* SWrittenToCommPort = "Записано в COM порт";
inline constexpr const char* SPackageWaitTimeOut = "Package wait time out. Time out was: %d.";
// The operation was stopped while the programmer's answer was awaited.
inline constexpr const char* SReplyWaitStopped = "Ожидание ответа прервано.";
inline constexpr const char* SBurnerNotPlugged = "Программатор не подключен.";
inline constexpr const char* SConnectionError = "Ошибка связи.";
inline constexpr const char* SCompareError = "Ошибка сравнения образа.";
inline constexpr const char* SInitializeError = "Ошибка инициализации.";
inline constexpr const char* SMicroControllerOperationError = "Ошибка работы с контроллером.";
inline constexpr const char* SUnknuwnPageNumber =
    "Программатор вернул страницу с неизвестным номером.";
inline constexpr const char* SUnknownDeviceError = "Неизвестная ошибка.";
inline constexpr const char* SPackageBeforeRequestDropped = "Отброшен пакет, пришедший до запроса";
// Caption of a damaged package (noise that looked like a frame) that a sound answer followed.
inline constexpr const char* SDamagedPackagePassedOver =
    "Отброшен повреждённый пакет, за которым пришёл целый ответ";
inline constexpr const char* SLateReplyDropped =
    "Отброшен запоздавший ответ на прежний запрос: %s.";
inline constexpr const char* SDamagedReplyCheckSum =
    "Ответ повреждён: контрольная сумма не сходится.";
inline constexpr const char* SDamagedReplyDataLength =
    "Ответ повреждён: длина данных не совпадает с полученными байтами.";
inline constexpr const char* SPageDataWrongLength =
    "Ответ повреждён: в странице %d байт вместо %d.";
inline constexpr const char* SRequestPageRepeated = "Повторный запрос страницы (%d из %d).";
inline constexpr const char* STransferPageRequest = "Передать страницу %d.";
inline constexpr const char* STransferPageResult = "Страница %d передана успешно.";
inline constexpr const char* SWritePageRequest = "Записать страницу %d.";
inline constexpr const char* SWritePageResult = "Страница %d записана успешно.";
inline constexpr const char* SReadPageRequest = "Прочесть страницу %d.";
inline constexpr const char* SReadPageResult = "Страница %d прочтена успешно.";
inline constexpr const char* SComparePageRequest = "Сравнить страницу %d.";
inline constexpr const char* SComparePageResult = "Страница %d сравнена успешно.";
inline constexpr const char* SDeletePageRequest = "Удалить страницу %d.";
inline constexpr const char* SDeletePageResult = "Страница %d удалена успешно.";
inline constexpr const char* SRequestPageRequest = "Запросить страницу.";
inline constexpr const char* SRequestPageResult = "Страница запрошена успешно.";
inline constexpr const char* SInitializeRequest = "Инициализация.";
inline constexpr const char* SInitializeResult = "Результат инициализации: %s.";
// Where a failure happened, after its sentence: the page, then the command sent and the reply
// code the programmer gave, as far as they are known ("Страница 17, команда 20h, ответ 13h.").
inline constexpr const char* SFailurePage = "Страница %d";
inline constexpr const char* SFailureCommandFirst = "Команда %02Xh";
inline constexpr const char* SFailureCommandNext = ", команда %02Xh";
inline constexpr const char* SFailureReplyFirst = "Ответ %02Xh";
inline constexpr const char* SFailureReplyNext = ", ответ %02Xh";
// The file a failure is about, and the system's reason.
inline constexpr const char* SFailureFile = "Файл %s: %s.";

// ---- Operations ----
inline constexpr const char* SCannotLoadFile = "Не удалось загрузить файл.";
inline constexpr const char* SSettingsFileUnreadable =
    "Не удалось прочитать файл настроек %s: настройки взяты по умолчанию.";
// Why a file that exists gave no image.
inline constexpr const char* SFileHoldsNoData = "в нём нет данных";
inline constexpr const char* SCannotSaveEmptyImage = "Пустой образ нельзя сохранить.";
inline constexpr const char* SCannotWriteEmptyImage = "Пустой образ нельзя записать.";
inline constexpr const char* SCannotCompareEmptyImage = "Пустой образ нельзя сравнить.";
inline constexpr const char* SImageNotLoaded = "Образ не загружен.";
inline constexpr const char* SImageFileExtension = ".ldr";
inline constexpr const char* SReadImageName = "ReadImage.ldr";
inline constexpr const char* SWriteStarted = "Начата запись образа.";
inline constexpr const char* SWriteStopped = "Запись образа прервана.";
inline constexpr const char* SWriteSucceeded = "Запись прошла успешно.";
inline constexpr const char* SCompareStarted = "Начато сравнение.";
inline constexpr const char* SCompareStopped = "Сравнение прервано.";
inline constexpr const char* SCompareSucceeded = "Сравнение прошло успешно.";
inline constexpr const char* SPageDiffers = "Страница %d отличается.";
inline constexpr const char* SReadStarted = "Начато чтение образа.";
inline constexpr const char* SReadStopped = "Чтение образа прервано.";
inline constexpr const char* SReadSucceeded = "Чтение прошло успешно.";
inline constexpr const char* SReadMissedPages = "Чтение не завершено: не прочитаны страницы %s.";
inline constexpr const char* SMorePages = " и ещё %lld";
// A write or compare of pages the image does not hold is refused before it begins: the pages.
inline constexpr const char* SPagesNotInImage = "В образе нет страниц: %s.";
inline constexpr const char* SPageNumberMismatch =
    "Программатор вернул страницу %d вместо страницы %d.";
inline constexpr const char* SDeleteStarted = "Начато удаление образа из контроллера.";
inline constexpr const char* SDeleteStopped = "Удаление образа прервано.";
inline constexpr const char* SDeleteSucceeded = "Удаление прошло успешно.";
inline constexpr const char* SInitializeSucceeded = "Инициализация прошла успешно.";
inline constexpr const char* SInitializeFailed = "Инициализация не удалась.";
inline constexpr const char* SControllerName = "Контроллер: %s.";
inline constexpr const char* SImageMatches = "Образ совпадает с образом в контроллере.";
inline constexpr const char* SImageDiffers = "Образ не совпадает с образом в контроллере.";
// Every page compared, the differing ones counted, and those rewritten. A differing page: its
// number, the verb and the count of its differing bytes with their word, the bits that are 1 in
// the image and 0 on the chip, the bits that are 0 in the image and 1 on the chip.
inline constexpr const char* SVerifyPageDiffers = "Страница %d: %s %d %s; битов 1→0: %d, 0→1: %d.";
inline constexpr const char* SDiffersVerbOne = "отличается";
inline constexpr const char* SDiffersVerbMany = "отличаются";
inline constexpr const char* SByteWordOne = "байт";
inline constexpr const char* SByteWordFew = "байта";
inline constexpr const char* SByteWordMany = "байт";
// The verb, the differing pages with their word, the pages compared.
inline constexpr const char* SVerifySummary = "%s %d %s из %d.";
inline constexpr const char* SSummaryVerbOne = "Отличается";
inline constexpr const char* SSummaryVerbMany = "Отличаются";
inline constexpr const char* SChipNotErased =
    "Похоже, микросхема не была стёрта перед записью: все отличающиеся биты в ней 0 вместо 1.";
inline constexpr const char* SRepairPassStarted =
    "Перезапись отличающихся страниц, проход %d из %d.";
inline constexpr const char* SRepairPageRewritten = "Страница %d перезаписана.";
inline constexpr const char* SRepairStopped = "Перезапись страниц прервана.";
inline constexpr const char* SRepairSucceeded = "После перезаписи все страницы совпадают.";
inline constexpr const char* SRepairFailed = "После перезаписи по-прежнему отличаются страницы %s.";
// Image state and information output.
inline constexpr const char* SEmptyImage = "Пустой образ.";
inline constexpr const char* SImageNameLabel = "Образ «%s».";
inline constexpr const char* SPageCountLabel = "В образе %d %s.";
inline constexpr const char* SNoPages = "Страниц нет.";
inline constexpr const char* SPageLengthLabel = "Длина страницы %d байт.";
inline constexpr const char* SPageLengthUnknown = "Длина страницы неизвестна.";
inline constexpr const char* SPageWordOne = "страница";
inline constexpr const char* SPageWordFew = "страницы";
inline constexpr const char* SPageWordMany = "страниц";
// Progress and remaining time.
inline constexpr const char* SProductName = "Velmora";
inline constexpr const char* SPercentFormat = "%d%%";
inline constexpr const char* STitleFormat = "%s %s";
inline constexpr const char* SRemainOne = "Осталась";
inline constexpr const char* SRemainMany = "Осталось";
inline constexpr const char* SLessThanSecond = "Осталось менее секунды.";
inline constexpr const char* SMinuteOne = "минута";
inline constexpr const char* SMinuteFew = "минуты";
inline constexpr const char* SMinuteMany = "минут";
inline constexpr const char* SSecondOne = "секунда";
inline constexpr const char* SSecondFew = "секунды";
inline constexpr const char* SSecondMany = "секунд";
inline constexpr const char* SRemainSecondsFormat = "%s %s %s.";
inline constexpr const char* SRemainMinutesFormat = "%s %s %s %s %s.";
// Settings file.
inline constexpr const char* SSettingsFileName = "Settings.ini";
inline constexpr const char* SComPortSection = "COM Port";
inline constexpr const char* SComNameKey = "COM Name";
inline constexpr const char* SDefaultPortName = "COM1";
// The port name of a simulated programmer that lives in the program itself.
inline constexpr const char* SSimulatedPortName = "simulator";
inline constexpr const char* SLogSection = "Log";
inline constexpr const char* SLogLimitKey = "Log Limit";
inline constexpr const char* SQuestionsSection = "Questions";
inline constexpr const char* SAskBeforeChipEraseKey = "Ask Before Chip Erase";

// ---- Command line ----
inline constexpr const char* SCliUsageHeader = "Usage: velmora-cli COMMAND [ARGUMENTS]";
inline constexpr const char* SCliCommandLine = "  velmora-cli %-22s %s";
inline constexpr const char* SCliHelpCommand = "--help";
inline constexpr const char* SCliHelpSummary = "list the commands";
inline constexpr const char* SCliCheckSummary =
    "load FILE as 528-byte pages and print the page count";
inline constexpr const char* SCliDumpSummary = "print the spaced hex dump of FILE";
inline constexpr const char* SCliResaveSummary =
    "load IN and save it as OUT (\".ldr\" is added when missing)";
inline constexpr const char* SCliNoCommand = "velmora-cli: no command given";
inline constexpr const char* SCliUnknownCommand = "velmora-cli: unknown command \"%s\"";
inline constexpr const char* SCliUnknownOption = "velmora-cli %s: unknown option \"%s\"";
// Added to an unknown command or option: the known one nearest to it.
inline constexpr const char* SCliDidYouMean = "; did you mean %s?";
inline constexpr const char* SCliOptionTwice = "velmora-cli %s: option \"--%s\" given twice";
inline constexpr const char* SCliUsagePrefix = "Usage: velmora-cli ";
inline constexpr const char* SCliOptionsHeader = "Options:";
inline constexpr const char* SCliHelpOfCommand = "help COMMAND";
inline constexpr const char* SCliHelpOfCommandSummary =
    "the options of COMMAND, one line each (also: COMMAND --help)";
inline constexpr const char* SCliExitCodes =
    "Exit codes: 0 done; 1 failed; 2 the command line is wrong; 3 compare found a page that "
    "differs; 4 stopped by Ctrl-C.";
inline constexpr const char* SCliHelpFirst = "the first page of the range (0 to 4095; with --last)";
inline constexpr const char* SCliHelpLast = "the last page of the range (with --first)";
inline constexpr const char* SCliHelpPort =
    "the port: COM3, /dev/ttyUSB0, usb:SERIAL, usb:VVVV:PPPP or auto (default: the port in "
    "Settings.ini, else COM1)";
inline constexpr const char* SCliHelpVerify = "compare the pages written with the chip after";
inline constexpr const char* SCliHelpRepair =
    "compare every page, write the differing ones again and compare them, up to N passes "
    "(default 2)";
inline constexpr const char* SCliHelpPartial =
    "save the pages read even when some could not be read, leaving those out";
inline constexpr const char* SCliHelpAll =
    "compare every page, counting the differing bytes and bits of each differing page";
inline constexpr const char* SCliHelpSerialAt =
    "put the board's serial number into the image at this byte address of the chip (decimal "
    "or 0x hex), in the page it falls in";
inline constexpr const char* SCliHelpSerialFormat =
    "how the number is written: u32le (default), u32be or ascii:WIDTH (decimal digits, "
    "zero-padded)";
inline constexpr const char* SCliHelpSerial = "the board's serial number (with --serial-at)";
inline constexpr const char* SCliHelpSerialStart =
    "the station's first serial number (default 1); numbers already given are never given "
    "again, so a lower one has no effect";
inline constexpr const char* SCliBadSerialFormat =
    "velmora-cli: --serial-format must be u32le, u32be or ascii:WIDTH (1 to 20), not \"%s\"";
inline constexpr const char* SCliSerialFormatWithoutPlace =
    "velmora-cli: --serial-format needs --serial-at";
inline constexpr const char* SCliBadSerialAddress =
    "velmora-cli: --serial-at needs a byte address (decimal or 0x hex), not \"%s\"";
inline constexpr const char* SCliBadSerialNumber =
    "velmora-cli: %s needs a number (decimal digits), not \"%s\"";
inline constexpr const char* SCliSerialTooLong =
    "velmora-cli: serial number %s does not fit its format (%d digits or bits)";
inline constexpr const char* SCliSerialWithoutPlace =
    "velmora-cli: --serial needs --serial-at (where the number goes in the image)";
inline constexpr const char* SCliSerialPlaceWithoutNumber =
    "velmora-cli: --serial-at needs --serial (the board's number)";
inline constexpr const char* SCliStationSerialGiven =
    "velmora-cli station: each board gets its number from the station (--serial-start), not "
    "from --serial";
inline constexpr const char* SCliSerialOnSeveralPorts =
    "velmora-cli: --serial would give every board the same number; on several ports give "
    "--serial-at alone and each board takes its own number from the records store";
inline constexpr const char* SCliSerialCounterUnreadable =
    "velmora-cli station: the serial counter %s cannot be read";
inline constexpr const char* SCliSerialCounterUnwritable =
    "velmora-cli station: the serial counter %s cannot be written; no board is taken without "
    "its number made durable";
inline constexpr const char* SCliHelpRecord = "append a CSV line per board to FILE";
inline constexpr const char* SCliHelpOnlyNew =
    "leave the boards plugged before the start alone (with udev); without it they are done "
    "first";
inline constexpr const char* SCliMissingOptionValue = "velmora-cli %s: option \"%s\" needs a value";
inline constexpr const char* SCliWrongArguments = "velmora-cli %s: expected %s";
// Programmer commands of velmora-cli.
inline constexpr const char* SCliInitSummary = "ask the programmer for its identification";
inline constexpr const char* SCliWriteSummary =
    "write FILE into the chip (--verify: compare after; --repair[=N]: compare every page, "
    "write the differing ones again and compare them, up to N passes, default 2)";
inline constexpr const char* SCliReadSummary =
    "read the chip and save it as FILE (--partial: save even when pages could not be read, "
    "leaving them out of the file)";
inline constexpr const char* SCliReadNotSaved =
    "velmora-cli: %s not saved: pages the programmer did not give are missing from the image "
    "(--partial saves the pages read and leaves the others out of the file)";
inline constexpr const char* SCliEraseSummary = "erase the chip";
inline constexpr const char* SCliCompareSummary =
    "compare FILE with the chip (--all: every page, counting the differing bytes and bits of "
    "each differing page)";
inline constexpr const char* SCliBadRepairPasses =
    "velmora-cli write: --repair=N needs a number of passes from 1 to 100, not \"%s\"";
inline constexpr const char* SCliGlobalOptions =
    "Programmer commands take --first N --last M (a page range), --port NAME (default: the "
    "port in Settings.ini, else COM1; usb:SERIAL or usb:VVVV:PPPP picks the USB port with that "
    "serial number or vendor:product id, auto the one free port a programmer answers on) and, "
    "before or after the command, --simulate (run against a "
    "simulated programmer) and --log-limit SIZE (the traffic log's size before it moves to "
    "Velmora.log.1: bytes, or with a K, M or G suffix; default: Settings.ini, else 64M). "
    "--json before or after any command prints one JSON object per line instead: each "
    "message, each progress step and the result. --port given more than once runs the command "
    "on every port at once (read FILE then needs {port} in FILE), each port with its own "
    "traffic log Velmora-<port>.log, and ends with a table of the results. Before or after the "
    "command also: --identify (ask the programmer for its identification first) and --log "
    "FILE (the traffic log's file instead of Velmora.log), --log-append (continue the traffic "
    "log instead of starting it anew), --records LOCATION (where a run on several ports, a "
    "station and the records command keep the boards' records: a SQLite file, named *.sqlite "
    "or *.db or an existing one, or a postgresql:// URL; default records.sqlite in the data "
    "folder). An option a command has of its own keeps its meaning after it (records --port).";
inline constexpr const char* SCliAutoPortTaken = "Выбран порт %s: на нём отвечает программатор.";
inline constexpr const char* SCliAutoNoFreePort =
    "velmora-cli: --port auto: no free serial port to ask for a programmer";
// The ports asked, SCliAutoCandidate each.
inline constexpr const char* SCliAutoNoProgrammer =
    "velmora-cli: --port auto: no programmer answered (asked: %s)";
inline constexpr const char* SCliAutoSeveralProgrammers =
    "velmora-cli: --port auto: programmers answered on several ports: %s; choose one with --port";
// The port, then its programmer's identification or why it did not answer.
inline constexpr const char* SCliAutoCandidate = "%s (%s)";
inline constexpr const char* SCliStationSummary =
    "run COMMAND (write, erase, compare or init with its arguments) on every programmer as it "
    "is plugged in (and, with udev, on those plugged before unless --only-new), until Ctrl-C; "
    "--record FILE appends a CSV line per board";
inline constexpr const char* SCliStationSimulate =
    "velmora-cli station: --simulate cannot be used; start velmora-sim and name its port with "
    "--port";
inline constexpr const char* SCliStationBadJob =
    "velmora-cli station: the command to run must be write, erase, compare or init";
inline constexpr const char* SCliStationWaiting =
    "velmora-cli station: waiting for programmers; Ctrl-C ends (boards in progress finish first)";
inline constexpr const char* SCliStationNoNotices =
    "velmora-cli station: no notices of ports arriving here (udev); name the ports with --port";
inline constexpr const char* SCliStationFinishing =
    "velmora-cli station: finishing %d board(s) in progress; Ctrl-C again stops them after "
    "their page";
inline constexpr const char* SCliStationTotals =
    "Boards: %d (ok %d, different %d, failed %d, stopped %d)";
inline constexpr const char* SCliStationRecordHeader =
    "time,port,usb_serial,identification,serial,image,sha256,result,exit_code,page,command,"
    "reply,seconds\n";
inline constexpr const char* SCliStationRecordFailed =
    "velmora-cli station: cannot append to the record %s";
// The records of the boards (a database file, or a database server of a whole line).
inline constexpr const char* SRecordsSqliteFailed =
    "velmora-cli: records database %s: %s failed: %s";
inline constexpr const char* SRecordsNewerSchema =
    "velmora-cli: records database %s has tables of version %d; this velmora-cli knows up to %d";
inline constexpr const char* SRecordsBadLocation =
    "velmora-cli: records database %s: not a connection string: %s";
inline constexpr const char* SRecordsUnreachable =
    "velmora-cli: records database %s cannot be reached: %s";
inline constexpr const char* SRecordsServerRefused = "velmora-cli: records database %s: %s";
inline constexpr const char* SRecordsNeedDatabase =
    "velmora-cli records: %s is a CSV file; listing the records needs a database";
inline constexpr const char* SRecordsNoServerSupport =
    "velmora-cli: %s: this build keeps its records in a CSV file and has no PostgreSQL client";
inline constexpr const char* SRecordsNoClientLibrary =
    "velmora-cli: the PostgreSQL client library %s cannot be loaded: %s";
inline constexpr const char* SCliStationRecordsDown =
    "velmora-cli station: %s; no new board is taken until its records can be kept";
inline constexpr const char* SCliStationRecordsBack =
    "velmora-cli station: records database %s is back; boards are taken again";
inline constexpr const char* SCliStationRecordNotKept =
    "velmora-cli station: the record of the board on %s could not be kept: %s";
inline constexpr const char* SCliPortsRecordNotKept =
    "velmora-cli: the records of this run could not be kept: %s";
inline constexpr const char* SRecordsSummary =
    "list the boards' records (--since, --image, --result, --port), or --summary: boards per "
    "result and per image, failures by page and reply code; --csv writes CSV";
inline constexpr const char* SRecordsHelpSince =
    "records from this local time on: today, YYYY-MM-DD or \"YYYY-MM-DD HH:MM[:SS]\"";
inline constexpr const char* SRecordsHelpImage = "records of this image file only";
inline constexpr const char* SRecordsHelpResult =
    "records with this result only: ok, different, failed or stopped";
inline constexpr const char* SRecordsHelpSummary =
    "boards per result and per image, and the failures by page and reply code";
inline constexpr const char* SRecordsHelpCsv = "the records as CSV, with the station's header";
inline constexpr const char* SRecordsBadSince =
    "velmora-cli records: --since needs today, YYYY-MM-DD or \"YYYY-MM-DD HH:MM[:SS]\", not \"%s\"";
inline constexpr const char* SRecordsNoSuchTime =
    "velmora-cli records: --since \"%s\": there is no such day or time in the calendar";
inline constexpr const char* SRecordsBadResult =
    "velmora-cli records: --result must be ok, different, failed or stopped, not \"%s\"";
inline constexpr const char* SRecordsSummaryAndCsv =
    "velmora-cli records: --summary and --csv cannot be used together";
inline constexpr const char* SRecordsNotALocation =
    "velmora-cli: --records \"%s\" names no records database: give a postgresql:// URL or a "
    "SQLite database file (a name ending in .sqlite or .db, or an existing SQLite file)";
inline constexpr const char* SRecordsNotACsvLocation =
    "velmora-cli: --records \"%s\" names no records file: this build keeps its records in a "
    "CSV file (a name ending in .csv, or an existing records file)";
inline constexpr const char* SRecordsNoStore =
    "velmora-cli records: there is no records database %s (records only reads a database and "
    "never makes one; a station or a run on several ports makes it with its first board)";
inline constexpr const char* SRecordsNoTables =
    "velmora-cli records: %s holds no boards' records (no velmora-cli tables in it)";
inline constexpr const char* SRecordsCsvLocation =
    "velmora-cli: --records %s: the records are kept in a database (a SQLite file or a "
    "postgresql:// URL); --record FILE.csv exports them as CSV";
// The summary of the records: a heading, then a line per group.
inline constexpr const char* SRecordsTotal = "Boards: %d";
inline constexpr const char* SRecordsByResult = "By result:";
inline constexpr const char* SRecordsByImage = "By image (ok / all):";
inline constexpr const char* SRecordsFailures = "Failures by page and reply:";
inline constexpr const char* SRecordsNoFailurePlace = "page and reply not known";
inline constexpr const char* SCliHelpRecords =
    "where the boards' records are kept and serial numbers taken from: a SQLite file (named "
    "*.sqlite or *.db, or an existing one) or a postgresql:// URL (default: records.sqlite in "
    "the data folder)";
inline constexpr const char* SCliReadNeedsPortTag =
    "velmora-cli read: with several ports the file name needs {port} (replaced by each port's "
    "name)";
inline constexpr const char* SCliPortGivenTwice = "velmora-cli: port %s is given twice";
// The result table of a run on several ports.
inline constexpr const char* SCliPortsColumnPort = "PORT";
inline constexpr const char* SCliPortsColumnIdentification = "IDENTIFICATION";
inline constexpr const char* SCliPortsColumnResult = "RESULT";
inline constexpr const char* SCliPortsColumnSeconds = "SECONDS";
inline constexpr const char* SCliPortsOk = "ok";
inline constexpr const char* SCliPortsDifferent = "different";
inline constexpr const char* SCliPortsStopped = "stopped";
inline constexpr const char* SCliPortsFailed = "failed";
inline constexpr const char* SCliPortsFailedWhy = "failed: %s";
inline constexpr const char* SCliPortsNoResult =
    "velmora-cli ended without a result (exit code %d)";
inline constexpr const char* SCliFlagWithValue = "velmora-cli %s: option \"%s\" takes no value";
inline constexpr const char* SCliNotAProgrammerCommand =
    "velmora-cli %s: --port, --simulate, --identify, --log and --log-limit apply to programmer "
    "commands only";
inline constexpr const char* SCliRecordsOnOnePort =
    "velmora-cli: --records: the boards of a run on several ports and of a station are "
    "recorded, not a run on one port";
inline constexpr const char* SCliRecordsNotHere =
    "velmora-cli %s: --records applies to a run on several ports, the station and records "
    "only";
inline constexpr const char* SCliSimulateWithPort =
    "velmora-cli: --simulate and --port cannot be used together";
inline constexpr const char* SCliRangeNeedsBoth = "velmora-cli %s: --first and --last go together";
inline constexpr const char* SCliPortNotOpened = "velmora-cli: cannot open port %s: %s";
inline constexpr const char* SCliNoSuchDevice = "no such device";
inline constexpr const char* SCliPermissionDenied =
    "permission denied (add yourself to the dialout group: sudo usermod -aG dialout $USER, "
    "then log in again)";
inline constexpr const char* SCliPortBusy = "the port is in use by another program";
inline constexpr const char* SCliNotASerialPort = "not a serial port";
inline constexpr const char* SCliSimulatorFailed = "velmora-cli: the simulator did not start: %s";
inline constexpr const char* SCliBadLogLimit =
    "velmora-cli: --log-limit needs a size above zero: bytes, or with a K, M or G suffix, "
    "not \"%s\"";
// The serial ports of velmora-cli: the ports command and the "usb:" port names.
inline constexpr const char* SCliPortsSummary =
    "list the serial ports present: device, COM name, driver, whether another program holds "
    "it, and for USB ports vendor:product id, serial number, manufacturer and product";
inline constexpr const char* SCliNoPorts = "velmora-cli: no serial ports found";
// The port name given, then the USB ports present (SCliUsbCandidate each) or SCliNoUsbPorts.
inline constexpr const char* SCliNoUsbPortMatch =
    "velmora-cli: no serial port matches %s; USB serial ports present: %s";
inline constexpr const char* SCliUsbPortAmbiguous =
    "velmora-cli: %s matches more than one port: %s; name one by its serial number "
    "(usb:SERIAL)";
inline constexpr const char* SCliNoUsbPorts = "none";
// Device, vendor id, product id, serial number.
inline constexpr const char* SCliUsbCandidate = "%s (%s:%s, serial %s)";
inline constexpr const char* SCliNoSerialNumber = "none";

// ---- Windows ----
// Input controls
inline constexpr const char* SConstraintEditExceptionMessage =
    "Не соблюдены ограничения, наложенные на поле ввода.";
// Page range dialog
inline constexpr const char* SPagesRangeCaption = "Диапазон страниц";
inline constexpr const char* SPagesRangeFrom = "С:";
inline constexpr const char* SPagesRangeTo = "По:";
inline constexpr const char* SOKButtonCaption = "OK";
inline constexpr const char* SCancelButtonCaption = "Отмена";
inline constexpr const char* SStartIndexHint = "Не менее %d";
inline constexpr const char* SEndIndexHint = "Не более %d";
inline constexpr const char* SRangeIsNotSet = "Диапазон не задан.";
inline constexpr const char* SStartIndexBelowMin = "Начальный индекс не может быть меньше %d.";
inline constexpr const char* SEndIndexAboveMax = "Конечный индекс не может быть больше %d.";
inline constexpr const char* SStartIndexAboveEnd =
    "Начальный индекс не может быть больше конечного.";
inline constexpr const char* SRangePagesCount = "%d %s.";
inline constexpr const char* SInvalidCharacters = "Введены недопустимые символы.";
inline constexpr const char* SNotAnIntegerValue = "«%s» не является допустимым целым числом.";
// About box
inline constexpr const char* SAboutCaption = "О программе...";
inline constexpr const char* SAboutProgramFor = "Velmora - программатор, для микросхем типа:";
inline constexpr const char* SAboutChipType = "AT45DB161B";
inline constexpr const char* SAboutMailHint = "Написать письмо";
inline constexpr const char* SAboutMailScheme = "mailto:";
inline constexpr const char* SAboutMailSubject = "Вопросы и Предложения Velmora";
inline constexpr const char* SAboutMaker = "© Velmora";
// Main window
inline constexpr const char* SMainFormCaption = "Программатор Velmora ";
inline constexpr const char* SImageGroupCaption = "Образ:";
inline constexpr const char* SFileNameHint = "Файл образа...";
inline constexpr const char* SOpenFileHint = "Загрузить образ из файла";
inline constexpr const char* SInfoTabCaption = "Информация";
inline constexpr const char* SImageViewTabCaption = "Просмотр образа";
inline constexpr const char* SShowImageCaption = "Показать образ";
inline constexpr const char* SShowImageNote = "Это может занять несколько секунд.";
inline constexpr const char* SImageFilesFilter = "Образы (*.ldr)";
inline constexpr const char* SAllFilesFilter = "Все файлы (*)";
inline constexpr const char* SFileMenuCaption = "Файл";
inline constexpr const char* SNewImageCaption = "Новый образ";
inline constexpr const char* SLoadImageCaption = "Загрузить образ из файла";
inline constexpr const char* SSaveImageAsCaption = "Сохранить образ как...";
inline constexpr const char* SExitCaption = "Выход";
inline constexpr const char* SEditMenuCaption = "Правка";
inline constexpr const char* SClearInfoCaption = "Очистить информационное поле";
inline constexpr const char* SSettingsMenuCaption = "Настройки";
inline constexpr const char* SComPortMenuCaption = "COM порт";
inline constexpr const char* SCommandsMenuCaption = "Команды";
inline constexpr const char* SWriteImageCaption = "Записать образ в контроллер";
inline constexpr const char* SReadImageCaption = "Прочесть образ из контроллера";
inline constexpr const char* SDeleteImageCaption = "Стереть контроллер";
inline constexpr const char* SCompareImageCaption = "Сравнить образ с образом в контроллере";
inline constexpr const char* SInitializeCaption = "Инициализировать программатор";
inline constexpr const char* SHelpMenuCaption = "Помощь";
inline constexpr const char* SHelpItemCaption = "Помощь";
inline constexpr const char* SAboutItemCaption = "О программе...";
inline constexpr const char* SWriteButtonCaption = "Записать";
inline constexpr const char* SWriteFullCaption = "Записать полностью";
inline constexpr const char* SWritePagesCaption = "Записать указаные страницы...";
inline constexpr const char* SReadButtonCaption = "Прочесть";
inline constexpr const char* SReadFullCaption = "Прочесть полностью";
inline constexpr const char* SReadPagesCaption = "Прочесть указаные страницы...";
inline constexpr const char* SDeleteButtonCaption = "Стереть";
inline constexpr const char* SDeleteFullCaption = "Стереть полностью";
inline constexpr const char* SDeletePagesCaption = "Стереть указаные страницы...";
inline constexpr const char* SCompareButtonCaption = "Сравнить";
inline constexpr const char* SCompareFullCaption = "Сравнить полностью";
inline constexpr const char* SComparePagesCaption = "Сравнить указаные страницы...";
inline constexpr const char* SSaveButtonCaption = "Сохранить";
inline constexpr const char* SComPortInputCaption = "COM порт";
inline constexpr const char* SComPortInputPrompt = "Имя порта полностью:";
// The port dialog's list of the ports present: the device, then what is known of it.
inline constexpr const char* SPortChoiceListCaption = "Порты этого компьютера:";
inline constexpr const char* SPortChoiceEntry = "%s — %s";
// Vendor id, product id: a USB device that gives no names of its own.
inline constexpr const char* SPortChoiceUsbId = "USB %s:%s";
inline constexpr const char* SPortChoiceSerialNumber = "серийный номер %s";
inline constexpr const char* SPortChoiceFree = "свободен";
inline constexpr const char* SPortChoiceBusy = "занят другой программой";
inline constexpr const char* SPortChoiceNoAccess = "нет прав доступа";
inline constexpr const char* SPortChoiceUnavailable = "не открывается";
inline constexpr const char* SPortChoiceInUse = "выбран сейчас";
inline constexpr const char* SConfirmationCaption = "Подтверждение";
// The answers of the window's questions, in Russian whatever the system's language.
inline constexpr const char* SYesButtonCaption = "Да";
inline constexpr const char* SNoButtonCaption = "Нет";
inline constexpr const char* SFileExistsOverwrite = "Файл %s существует. Перезаписать его?";
inline constexpr const char* SBurnerConnectedToPort = "Программатор подключен к порту %s.";
inline constexpr const char* SPortNotOpened = "Не удалось открыть порт %s: %s.";
inline constexpr const char* SPortNoSuchDevice = "нет такого устройства";
inline constexpr const char* SPortPermissionDenied =
    "нет прав доступа (нужно членство в группе dialout: sudo usermod -aG dialout $USER, затем "
    "войти в систему заново)";
inline constexpr const char* SPortBusy = "порт занят другой программой";
inline constexpr const char* SPortNotASerialPort = "это не последовательный порт";
inline constexpr const char* SBurnerDisconnectedFromPort =
    "Программатор отключён от порта %s.  Установлен порт COM1.";
inline constexpr const char* SUnknownException = "Неизвестная ошибка.";
// Main window in daily use
inline constexpr const char* SStopCaption = "Остановить";
inline constexpr const char* SProgrammerInUse =
    "Программатор занят: дождитесь конца текущей операции.";
inline constexpr const char* SConfirmEraseChip =
    "Стереть всю микросхему? Все данные в ней будут потеряны.";
inline constexpr const char* SDoNotAskAgain = "Больше не спрашивать";
inline constexpr const char* SConfirmCloseDuringOperation =
    "Идёт работа с программатором. Остановить её после текущей страницы и закрыть программу?";
inline constexpr const char* SImageSavedToFile = "Образ сохранён в файл %s.";
inline constexpr const char* SHelpCaption = "Помощь - Velmora";
inline constexpr const char* SHelpNotFound = "Описание программы не найдено.";
inline constexpr const char* SCloseButtonCaption = "Закрыть";
inline constexpr const char* SChipMapTabCaption = "Карта микросхемы";
inline constexpr const char* SChipMapCellHint = "Страница %d: %s";
inline constexpr const char* SChipMapNotInImage = "нет в образе";
inline constexpr const char* SChipMapInImage = "в образе";
inline constexpr const char* SChipMapWritten = "записана";
inline constexpr const char* SChipMapEqual = "совпадает";
inline constexpr const char* SChipMapDifferent = "отличается";
inline constexpr const char* SChipMapRead = "прочитана";
inline constexpr const char* SChipMapFailed = "ошибка";
inline constexpr const char* SChipMapErased = "стёрта";
inline constexpr const char* SVerifyAllCaption = "Проверить все страницы";
inline constexpr const char* SBinaryFilesFilter = "Двоичные образы (*.bin)";
// Main window: a read that was not saved is not replaced without a question
inline constexpr const char* SUnsavedReadQuestion = "Прочитанный образ не сохранён. Сохранить его?";
inline constexpr const char* SDontSaveButtonCaption = "Не сохранять";
// Desktop program start-up
inline constexpr const char* SGuiUsage =
    "Usage: velmora [--simulate] [--log-limit SIZE]\n"
    "  --simulate        run against a simulated programmer on a pseudo-terminal\n"
    "  --log-limit SIZE  the traffic log's size before it moves to Velmora.log.1: bytes, or\n"
    "                    with a K, M or G suffix (default: Settings.ini, else 64M)\n"
    "  --help            print this help\n"
    "  --version         print the program's name and version\n";
inline constexpr const char* SGuiSimulatorFailed = "velmora: the simulator did not start: %s";
inline constexpr const char* SGuiStartFailed = "velmora: cannot start: %s";
inline constexpr const char* SGuiMissingOptionValue = "velmora: option \"%s\" needs a value";
inline constexpr const char* SGuiBadLogLimit =
    "velmora: --log-limit needs a size above zero: bytes, or with a K, M or G suffix, not \"%s\"";

// ---- Versions ----
inline constexpr const char* SAboutVersion = "Версия %s";
inline constexpr const char* SCliVersionCommand = "--version";
inline constexpr const char* SCliVersionSummary = "print the program's name and version";
