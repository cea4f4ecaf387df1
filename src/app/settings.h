#pragma once

#include <QString>

namespace qd {

// The per-user settings store: application name, section and key, text values.
void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value);
// Removes a key; nothing happens when it is not there.
void DeleteSetting(const QString& appName, const QString& section, const QString& key);
// Takes over a lock left beside the settings file by a program killed while it wrote them, so
// that the next write does not wait for it to age (SaveSetting does this first).
void clearStaleSettingsLock(const QString& appName);
// The stored text, or the default when the key (or its section or application) is missing.
QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue = QString());

// The application name and section that hold every setting of this program.
inline const QString kSettingsApp = QStringLiteral("Brisklane");
inline const QString kSettingsSection = QStringLiteral("Quarrydesk");

// Conversions the readers apply; each throws a type-mismatch qd::Error on text it cannot read.
float toSingle(const QString& text);      // regional decimal separator
short toInteger16(const QString& text);   // rounds; out of range is an overflow error
bool toBoolean(const QString& text);      // "True"/"False" or a number (0 is False)
QString fromBoolean(bool value);          // "True" / "False"
// A single-precision number as decimal text with the regional separator: "1800", "1439,811".
QString fromSingle(float value);

}  // namespace qd
