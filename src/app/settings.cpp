#include "app/settings.h"

#include "core/error.h"
#include "text/textconv.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>

#include <cmath>

namespace qd {

namespace {

// One INI file per application name, in the user's configuration folder.
QSettings store(const QString& appName) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, appName);
}

// The toolkit guards a settings write with a lock file and waits until a left-over lock is
// 30 s old before it takes it over: a program killed while writing its settings froze the
// next close for half a minute. A settings write takes milliseconds, so a lock older than half
// a second, or one whose program no longer runs, is taken over at once.
void clearStaleLock(const QSettings& settings) {
    const QString path = settings.fileName() + QStringLiteral(".lock");
    // A lock names its program the moment it is made; an empty one was left by a kill.
    const QFileInfo info(path);
    if (info.exists() && info.size() == 0 &&
        std::abs(info.lastModified().msecsTo(QDateTime::currentDateTime())) > 100)
        QFile::remove(path);
    QLockFile lock(path);
    lock.setStaleLockTime(500);
    if (lock.tryLock(600)) lock.unlock();
}

Error typeMismatch(const QString& text) {
    return Error(QStringLiteral("Type mismatch: '%1' is not a valid setting value.").arg(text),
                 13);
}

}  // namespace

void clearStaleSettingsLock(const QString& appName) { clearStaleLock(store(appName)); }

void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value) {
    QSettings s = store(appName);
    clearStaleLock(s);
    s.beginGroup(section);
    s.setValue(key, value);
    s.endGroup();
    s.sync();  // written the moment the choice is made
    if (s.status() != QSettings::NoError)
        throw Error(QStringLiteral("Cannot write the setting %1 to '%2'.").arg(key, s.fileName()));
}

void DeleteSetting(const QString& appName, const QString& section, const QString& key) {
    QSettings s = store(appName);
    s.beginGroup(section);
    s.remove(key);
    s.endGroup();
    s.sync();
    if (s.status() != QSettings::NoError)
        throw Error(QStringLiteral("Cannot remove the setting %1 from '%2'.").arg(key, s.fileName()));
}

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    QSettings s = store(appName);
    s.beginGroup(section);
    if (!s.contains(key)) return defaultValue;
    const QVariant value = s.value(key);
    // A hand-edited value with commas reads back as a list; the stored text is what counts.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(u',');
    return value.toString();
}

float toSingle(const QString& text) {
    const std::optional<double> value = text::parseRegionalNumber(text);
    if (!value || std::abs(*value) > 3.402823e38) throw typeMismatch(text);
    return float(*value);
}

short toInteger16(const QString& text) {
    const std::optional<double> value = text::parseRegionalNumber(text);
    if (!value) throw typeMismatch(text);
    const double rounded = std::nearbyint(*value);  // banker's rounding, as integer conversion
    if (rounded < -32768 || rounded > 32767) throw Error(QStringLiteral("Overflow"), 6);
    return short(rounded);
}

bool toBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    const std::optional<double> value = text::parseRegionalNumber(t);
    if (!value) throw typeMismatch(text);
    return *value != 0;
}

QString fromSingle(float value) {
    // Seven significant digits are what a single-precision number holds.
    const double shown = QString::number(double(value), 'g', 7).toDouble();
    return text::numberTextRegional(shown);
}

QString fromBoolean(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

}  // namespace qd
