#pragma once
// The settings file: a sectioned key=value text file read once when the main
// window is created and written once when it closes. Plain code, no widgets.
//
// Reading never fails: a missing, unreadable or damaged file gives the
// defaults for whatever cannot be read. Writing replaces the file only once
// the new contents are complete (written beside it, then moved into place),
// and keeps every line the program does not own (other sections, other keys,
// comments, blank lines). Both calls block on file I/O only.
#include <QByteArray>
#include <QString>
#include <cstdint>

struct AppSettings {
    // [Com port]
    QString comName = QStringLiteral("COM1");  // Name
    QString speed = QStringLiteral("300");     // Speed
    QString parity = QStringLiteral("Even");   // Parity, kept as typed
    QString dataBits = QStringLiteral("8");    // DataBits
    bool rts = false;                          // RTS, stored as 1/0
    // [Misc]
    QString exportSeparator = QStringLiteral(";");  // ExportSeparator
    int retry = 1;                                  // Retry, 0..9
    // [Mbus]
    int timeout = 500;  // Timeout in ms, 300..30000
    // [Misc]
    QString dir;                // Dir, ends with '/' normally
    std::uint8_t language = 1;  // Language (low 8 bits kept)
    // [RFZELK]
    QString secondary = QStringLiteral("01020304");  // Secondary: current ZELK ID

    bool operator==(const AppSettings&) const = default;
};

inline constexpr int kRetryMin = 0;
inline constexpr int kRetryMax = 9;
inline constexpr int kTimeoutMin = 300;
inline constexpr int kTimeoutMax = 30000;

// Where the settings live and which folder "Dir" defaults to.
struct SettingsLocation {
    QString filePath;    // full path of the settings file
    QString defaultDir;  // default of "Dir", with a trailing '/'
};

// The settings of a program at exePath. An installed program (its folder is
// installedBinDir or a system program folder such as /usr/bin) never keeps
// them beside itself, whoever runs it, root included: it uses
// <configHome>/zelk-duv/zelk-duv.ini (configHome empty or relative:
// <homeDir>/.config) with homeDir as the default "Dir". Any other copy keeps
// them beside it with the extension ".ini" when that file exists or its folder
// is writable, and falls back to the user's folder otherwise. Looks at the
// file system only.
SettingsLocation LocateSettings(const QString& exePath, const QString& configHome, const QString& homeDir,
                                const QString& installedBinDir = QString());
// LocateSettings for the running program ($XDG_CONFIG_HOME, home folder, the
// program folder of the installation it was built for). Needs a
// QCoreApplication.
SettingsLocation CurrentSettingsLocation();
// The same for a program at exePath run by this process's user (the
// command-line program asks for the window's file).
SettingsLocation SettingsLocationFor(const QString& exePath);
QString SettingsFilePath();
QString DefaultSettingsDir();

// Defaults of every key, "Dir" = defaultDir.
AppSettings DefaultSettings(const QString& defaultDir);

// Reads the file at path. Names of sections and keys match without regard to
// case; the first occurrence of a key wins. Integers may be decimal or 0x
// hexadecimal; anything else reads as the default. Retry and Timeout are kept
// inside their ranges; Language keeps its low 8 bits.
AppSettings ReadSettings(const QString& path, const QString& defaultDir);

// Writes every key in its place (appending missing sections and keys) and
// keeps every other line as it was. Creates the file's folder if missing.
// Returns false, leaving any existing file untouched, when the file is
// read-only, a folder is in its place, or it cannot be written completely;
// *error then gets the reason in the system's words where it gave one.
bool WriteSettings(const QString& path, const AppSettings& settings, QString* error = nullptr);

// The same two steps on file contents in memory (no file access).
AppSettings ParseSettings(const QByteArray& contents, const QString& defaultDir);
QByteArray SettingsFileText(const QByteArray& contents, const AppSettings& settings);
