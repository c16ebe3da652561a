#include "storage/ConfigFile.h"

#include "storage/Fields.h"

#include <array>
#include <optional>

namespace storage {

namespace {

// A value 0..255 written in decimal digits, blanks around it allowed.
std::optional<std::uint8_t> readByte(const QString& field)
{
    const QString digits = field.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    int value = 0;
    for (QChar ch : digits) {
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
        value = value * 10 + (ch.unicode() - u'0');
        if (value > 255)
            return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

std::uint8_t flagOrZero(std::uint8_t value, std::uint8_t highest)
{
    return value <= highest ? value : 0;
}

QByteArray numberLine(std::uint8_t value)
{
    return " " + QByteArray::number(value) + " \r\n";
}

}  // namespace

void ConfigLoad(const SettingsFolder& folder, AppState& state)
{
    if (const std::optional<QStringList> values = readStoredValues(folder.fileToRead(ConfigFileName)))
        loadConfigValues(*values, state);
}

void loadConfigValues(const QStringList& fields, AppState& state)
{
    std::array<std::uint8_t, 6> numbers{};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (qsizetype(i) < fields.size())
            numbers[i] = readByte(fields[qsizetype(i)]).value_or(0);
    }
    const QString portal = fields.size() > 6 ? fields[6] : QString();

    ConfigState& config = state.Config;
    config.WindowRun = flagOrZero(numbers[0], 1);
    config.IDSave = flagOrZero(numbers[1], 1);
    config.PWDSave = flagOrZero(numbers[2], 1);
    config.AutoLogin = flagOrZero(numbers[3], 1);
    config.AutoRun = flagOrZero(numbers[4], 1);
    config.GSA = AfterStart(flagOrZero(numbers[5], 2));
    state.Temp.DHOPortal = portal == u"Daum" ? Portal::Daum : Portal::Netmarble;
}

QByteArray configFileBytes(const ConfigValues& values)
{
    QByteArray bytes;
    const ConfigState& s = values.settings;
    for (std::uint8_t value : {s.WindowRun, s.IDSave, s.PWDSave, s.AutoLogin, s.AutoRun, std::uint8_t(s.GSA)})
        bytes += numberLine(value);
    if (values.portal)
        bytes += *values.portal == Portal::Daum ? "Daum\r\n" : "Netmarble\r\n";
    return bytes;
}

SaveResult ConfigSave(const SettingsFolder& folder, const ConfigValues& values)
{
    return folder.save(ConfigFileName, configFileBytes(values), FileAccess::Everyone);
}

}  // namespace storage
