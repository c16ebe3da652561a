#include "platform/engine/LinkMessages.h"

#include "platform/engine/EngineLink.h"

#include <QJsonArray>

#include <tuple>
#include <type_traits>

namespace platform::link {

using portal::ElementStep;

namespace {

// Each kind's name on the wire and its fields, in one table.
template <typename Message, typename Value>
struct Field {
    const char* name;
    Value Message::*member;
};

template <typename Message, typename... Values>
struct Layout {
    const char* kind;
    std::tuple<Field<Message, Values>...> fields;
};

template <typename Message, typename... Values>
constexpr Layout<Message, Values...> layout(const char* kind, Field<Message, Values>... fields)
{
    return {kind, {fields...}};
}

template <typename Message, typename Value>
constexpr Field<Message, Value> field(const char* name, Value Message::*member)
{
    return {name, member};
}

template <typename Message>
struct Of {};

// clang-format off
constexpr auto layoutOf(Of<Navigate>) { return layout("navigate", field("op", &Navigate::op), field("address", &Navigate::address), field("document", &Navigate::document)); }
constexpr auto layoutOf(Of<StartGame>) { return layout("startGame", field("op", &StartGame::op), field("address", &StartGame::address)); }
constexpr auto layoutOf(Of<Act>) { return layout("act", field("op", &Act::op), field("steps", &Act::steps), field("document", &Act::document)); }
constexpr auto layoutOf(Of<Settled>) { return layout("settled", field("value", &Settled::value)); }
constexpr auto layoutOf(Of<UnknownPage>) { return layout("unknownPage", field("op", &UnknownPage::op), field("value", &UnknownPage::value), field("over", &UnknownPage::over)); }
constexpr auto layoutOf(Of<DialogAnswer>) { return layout("answer", field("id", &DialogAnswer::id), field("answer", &DialogAnswer::answer)); }
constexpr auto layoutOf(Of<Unlock>) { return layout("unlock", field("op", &Unlock::op), field("address", &Unlock::address)); }
constexpr auto layoutOf(Of<CloseUnlock>) { return layout("closeUnlock", field("op", &CloseUnlock::op)); }
constexpr auto layoutOf(Of<LaunchSchemes>) { return layout("launchSchemes", field("schemes", &LaunchSchemes::schemes)); }
constexpr auto layoutOf(Of<LaunchAnswer>) { return layout("launchAnswer", field("id", &LaunchAnswer::id), field("allowed", &LaunchAnswer::allowed)); }
constexpr auto layoutOf(Of<Cookie>) { return layout("cookie", field("raw", &Cookie::raw), field("gone", &Cookie::gone)); }
constexpr auto layoutOf(Of<Complete>) { return layout("complete", field("op", &Complete::op), field("address", &Complete::address), field("frame", &Complete::frame), field("document", &Complete::document)); }
constexpr auto layoutOf(Of<Failed>) { return layout("failed", field("op", &Failed::op), field("address", &Failed::address), field("failure", &Failed::failure), field("code", &Failed::code)); }
constexpr auto layoutOf(Of<Launched>) { return layout("launch", field("op", &Launched::op), field("report", &Launched::report), field("reason", &Launched::reason)); }
constexpr auto layoutOf(Of<Dialog>) { return layout("dialog", field("op", &Dialog::op), field("id", &Dialog::id), field("text", &Dialog::text), field("icon", &Dialog::icon), field("buttons", &Dialog::buttons)); }
constexpr auto layoutOf(Of<AskLaunch>) { return layout("askLaunch", field("op", &AskLaunch::op), field("id", &AskLaunch::id), field("host", &AskLaunch::host), field("scheme", &AskLaunch::scheme), field("address", &AskLaunch::address)); }
constexpr auto layoutOf(Of<Idle>) { return layout("idle", field("received", &Idle::received)); }
constexpr auto layoutOf(Of<Alive>) { return layout<Alive>("alive"); }
constexpr auto layoutOf(Of<PageClosed>) { return layout("pageClosed", field("op", &PageClosed::op)); }
constexpr auto layoutOf(Of<UnlockComplete>) { return layout("unlockComplete", field("op", &UnlockComplete::op), field("address", &UnlockComplete::address)); }
constexpr auto layoutOf(Of<UnlockClosed>) { return layout("unlockClosed", field("op", &UnlockClosed::op)); }
// clang-format on

// An enumeration goes as its number, and only a number in its range comes back.
template <typename Enum>
constexpr Enum lastOf();
template <>
constexpr portal::LoadFailure::Kind lastOf() { return portal::LoadFailure::Kind::PageScript; }
template <>
constexpr portal::LaunchReport::Kind lastOf() { return portal::LaunchReport::Kind::NoneCame; }
template <>
constexpr MessageBox::Icon lastOf() { return MessageBox::Icon::Critical; }
template <>
constexpr MessageBox::Buttons lastOf() { return MessageBox::Buttons::ContinueCancel; }
template <>
constexpr MessageBox::Answer lastOf() { return MessageBox::Answer::Cancel; }

const QString ActionNames[] = {QStringLiteral("setValue"), QStringLiteral("setChecked"), QStringLiteral("click")};

QJsonValue toJson(quint64 value) { return qint64(value); }
QJsonValue toJson(qint64 value) { return value; }
QJsonValue toJson(int value) { return value; }
QJsonValue toJson(bool value) { return value; }
QJsonValue toJson(const QString& value) { return value; }
QJsonValue toJson(const QStringList& value) { return QJsonArray::fromStringList(value); }

template <typename Enum>
    requires std::is_enum_v<Enum>
QJsonValue toJson(Enum value)
{
    return int(value);
}

QJsonValue toJson(const std::optional<QRect>& value)
{
    if (!value)
        return QJsonValue::Undefined;
    return QJsonArray{value->x(), value->y(), value->width(), value->height()};
}

QJsonValue toJson(const QList<ElementStep>& steps)
{
    QJsonArray array;
    for (const ElementStep& step : steps) {
        array.append(QJsonObject{{"action", ActionNames[int(step.action)]},
                                 {"element", step.element},
                                 {"value", step.value}});
    }
    return array;
}

bool fromJson(const QJsonValue& json, qint64& value)
{
    if (!json.isDouble() || json.toDouble() != double(json.toInteger()))
        return false;
    value = json.toInteger();
    return true;
}

bool fromJson(const QJsonValue& json, quint64& value)
{
    qint64 signedValue = 0;
    if (!fromJson(json, signedValue) || signedValue < 0)
        return false;
    value = quint64(signedValue);
    return true;
}

bool fromJson(const QJsonValue& json, int& value)
{
    qint64 wide = 0;
    if (!fromJson(json, wide) || wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max())
        return false;
    value = int(wide);
    return true;
}

template <typename Enum>
    requires std::is_enum_v<Enum>
bool fromJson(const QJsonValue& json, Enum& value)
{
    int number = -1;
    if (!fromJson(json, number) || number < 0 || number > int(lastOf<Enum>()))
        return false;
    value = Enum(number);
    return true;
}

bool fromJson(const QJsonValue& json, bool& value)
{
    value = json.toBool();
    return json.isBool();
}

bool fromJson(const QJsonValue& json, QString& value)
{
    value = json.toString();
    return json.isString();
}

bool fromJson(const QJsonValue& json, QStringList& value)
{
    if (!json.isArray())
        return false;
    for (const QJsonValue& item : json.toArray()) {
        if (!item.isString())
            return false;
        value.append(item.toString());
    }
    return true;
}

bool fromJson(const QJsonValue& json, std::optional<QRect>& value)
{
    if (json.isUndefined())
        return true;
    const QJsonArray array = json.toArray();
    int x = 0, y = 0, width = 0, height = 0;
    if (array.size() != 4 || !fromJson(array[0], x) || !fromJson(array[1], y) || !fromJson(array[2], width)
        || !fromJson(array[3], height))
        return false;
    value = QRect(x, y, width, height);
    return true;
}

bool fromJson(const QJsonValue& json, QList<ElementStep>& steps)
{
    if (!json.isArray())
        return false;
    for (const QJsonValue& item : json.toArray()) {
        const QJsonObject step = item.toObject();
        const auto action = std::find(std::begin(ActionNames), std::end(ActionNames), step["action"].toString());
        if (action == std::end(ActionNames) || !step["element"].isString() || !step["value"].isString())
            return false;
        steps.append({ElementStep::Action(action - std::begin(ActionNames)), step["element"].toString(),
                      step["value"].toString()});
    }
    return true;
}

template <typename Message>
QJsonObject encodeOne(const Message& message)
{
    const auto layout = layoutOf(Of<Message>{});
    QJsonObject json{{"kind", QLatin1String(layout.kind)}};
    std::apply(
        [&](const auto&... field) {
            (..., [&] {
                const QJsonValue value = toJson(message.*field.member);
                if (!value.isUndefined())
                    json.insert(QLatin1String(field.name), value);
            }());
        },
        layout.fields);
    return json;
}

template <typename Message>
std::optional<Message> decodeOne(const QJsonObject& json)
{
    const auto layout = layoutOf(Of<Message>{});
    Message message;
    const char* wrong = nullptr;
    std::apply(
        [&](const auto&... field) {
            (..., (wrong || fromJson(json[QLatin1String(field.name)], message.*field.member) ? void()
                                                                                             : void(wrong = field.name)));
        },
        layout.fields);
    if (wrong) {
        qCWarning(lcLink) << "dropped a" << layout.kind << "message: its" << wrong << "is missing or not valid";
        return std::nullopt;
    }
    return message;
}

template <typename Variant, std::size_t... Index>
std::optional<Variant> decodeAny(const QJsonObject& json, std::index_sequence<Index...>)
{
    const QString kind = json["kind"].toString();
    std::optional<Variant> decoded;
    bool known = false;
    (..., [&] {
        using Message = std::variant_alternative_t<Index, Variant>;
        if (known || kind != QLatin1String(layoutOf(Of<Message>{}).kind))
            return;
        known = true;
        if (std::optional<Message> message = decodeOne<Message>(json))
            decoded = std::move(*message);
    }());
    if (!known)
        qCWarning(lcLink) << "dropped a message of a kind not taken here:" << kind;
    return decoded;
}

}  // namespace

QJsonObject encode(const ToEngine& message)
{
    return std::visit([](const auto& alternative) { return encodeOne(alternative); }, message);
}

QJsonObject encode(const ToProgram& message)
{
    return std::visit([](const auto& alternative) { return encodeOne(alternative); }, message);
}

template <typename Message>
std::optional<Message> decode(const QJsonObject& message)
{
    return decodeAny<Message>(message, std::make_index_sequence<std::variant_size_v<Message>>{});
}

template std::optional<ToEngine> decode<ToEngine>(const QJsonObject&);
template std::optional<ToProgram> decode<ToProgram>(const QJsonObject&);

}  // namespace platform::link
