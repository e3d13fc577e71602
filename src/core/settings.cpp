#include "core/settings.h"

#include "core/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef ZELK_INSTALL_BINDIR
#define ZELK_INSTALL_BINDIR ""  // not built for an installation
#endif

namespace {

// Section and key names, in the order the keys are read and written.
constexpr const char* kComPort = "Com port";
constexpr const char* kMisc = "Misc";
constexpr const char* kMbus = "Mbus";
constexpr const char* kRfZelk = "RFZELK";

QString WithTrailingSlash(const QString& dir)
{
    if (dir.isEmpty() || dir.endsWith(QLatin1Char('/')))
        return dir;
    return dir + QLatin1Char('/');
}

// The same folder, symbolic links (such as /bin -> /usr/bin) resolved where
// the folders exist.
bool SameFolder(const QString& a, const QString& b)
{
    const auto canonical = [](const QString& dir) {
        const QString c = QFileInfo(dir).canonicalFilePath();
        return c.isEmpty() ? QDir::cleanPath(dir) : c;
    };
    return !a.isEmpty() && !b.isEmpty() && canonical(a) == canonical(b);
}

// A folder that programs are installed into, where nothing of a user belongs
// even when the user (root) could write there.
bool IsProgramFolder(const QString& dir, const QString& installedBinDir)
{
    static const char* const kSystemFolders[] = {"/usr/bin", "/usr/local/bin", "/bin"};
    if (SameFolder(dir, installedBinDir))
        return true;
    for (const char* system : kSystemFolders) {
        if (SameFolder(dir, QString::fromLatin1(system)))
            return true;
    }
    return false;
}

}  // namespace

AppSettings DefaultSettings(const QString& defaultDir)
{
    AppSettings s;
    s.dir = defaultDir;
    return s;
}

SettingsLocation LocateSettings(const QString& exePath, const QString& configHome, const QString& homeDir,
                                const QString& installedBinDir)
{
    const QFileInfo exe(exePath);
    const QString exeDir = exe.absolutePath();
    const QString base = exe.suffix().isEmpty() ? exe.fileName() : exe.completeBaseName();
    const QString beside = exeDir + QLatin1Char('/') + base + QStringLiteral(".ini");

    const QFileInfo besideInfo(beside);
    const QFileInfo exeDirInfo(exeDir);
    const bool portable = !IsProgramFolder(exeDir, installedBinDir);
    if (portable && (besideInfo.exists() || (exeDirInfo.isDir() && exeDirInfo.isWritable())))
        return {beside, WithTrailingSlash(exeDir)};

    QString config = configHome;
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = homeDir + QStringLiteral("/.config");
    return {QDir::cleanPath(config + QStringLiteral("/zelk-duv/zelk-duv.ini")), WithTrailingSlash(homeDir)};
}

SettingsLocation CurrentSettingsLocation()
{
    return SettingsLocationFor(QCoreApplication::applicationFilePath());
}

SettingsLocation SettingsLocationFor(const QString& exePath)
{
    return LocateSettings(exePath, qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath(),
                          QStringLiteral(ZELK_INSTALL_BINDIR));
}

QString SettingsFilePath()
{
    return CurrentSettingsLocation().filePath;
}
QString DefaultSettingsDir()
{
    return CurrentSettingsLocation().defaultDir;
}

namespace {

// Every key of the file, in the order they are read and written.
const std::vector<IniKey>& SettingKeys()
{
    static const std::vector<IniKey> keys = {{kComPort, "Name"},     {kComPort, "Speed"},   {kComPort, "Parity"},
                                             {kComPort, "DataBits"}, {kComPort, "RTS"},     {kMisc, "ExportSeparator"},
                                             {kMisc, "Retry"},       {kMbus, "Timeout"},    {kMisc, "Dir"},
                                             {kMisc, "Language"},    {kRfZelk, "Secondary"}};
    return keys;
}

AppSettings FromDocument(const IniDocument& ini, const QString& defaultDir)
{
    AppSettings s = DefaultSettings(defaultDir);
    s.comName = ini.text(kComPort, "Name", s.comName);
    s.speed = ini.text(kComPort, "Speed", s.speed);
    s.parity = ini.text(kComPort, "Parity", s.parity);
    s.dataBits = ini.text(kComPort, "DataBits", s.dataBits);
    s.rts = ini.integer(kComPort, "RTS", s.rts ? 1 : 0) != 0;
    s.exportSeparator = ini.text(kMisc, "ExportSeparator", s.exportSeparator);
    s.retry = qBound(kRetryMin, ini.integer(kMisc, "Retry", s.retry), kRetryMax);
    s.timeout = qBound(kTimeoutMin, ini.integer(kMbus, "Timeout", s.timeout), kTimeoutMax);
    s.dir = ini.text(kMisc, "Dir", s.dir);
    s.language = std::uint8_t(ini.integer(kMisc, "Language", s.language) & 0xFF);
    s.secondary = ini.text(kRfZelk, "Secondary", s.secondary);
    return s;
}

void IntoDocument(IniDocument& ini, const AppSettings& s)
{
    ini.setText(kComPort, "Name", s.comName);
    ini.setText(kComPort, "Speed", s.speed);
    ini.setText(kComPort, "Parity", s.parity);
    ini.setText(kComPort, "DataBits", s.dataBits);
    ini.setInteger(kComPort, "RTS", s.rts ? 1 : 0);
    ini.setText(kMisc, "ExportSeparator", s.exportSeparator);
    ini.setInteger(kMisc, "Retry", s.retry);
    ini.setInteger(kMbus, "Timeout", s.timeout);
    ini.setText(kMisc, "Dir", s.dir);
    ini.setInteger(kMisc, "Language", s.language);
    ini.setText(kRfZelk, "Secondary", s.secondary);
}

}  // namespace

AppSettings ParseSettings(const QByteArray& contents, const QString& defaultDir)
{
    return FromDocument(IniDocument::fromBytes(contents, SettingKeys()), defaultDir);
}

QByteArray SettingsFileText(const QByteArray& contents, const AppSettings& settings)
{
    IniDocument ini = IniDocument::fromBytes(contents, SettingKeys());
    IntoDocument(ini, settings);
    return ini.toBytes();
}

AppSettings ReadSettings(const QString& path, const QString& defaultDir)
{
    return FromDocument(IniDocument::load(path, SettingKeys()), defaultDir);
}

bool WriteSettings(const QString& path, const AppSettings& settings, QString* error)
{
    IniDocument ini = IniDocument::load(path, SettingKeys());
    IntoDocument(ini, settings);
    return ini.save(path, error);
}
