#include "publish/CAlarmEvent.h"

#include "base/CTextFormat.h"

QString CAlarmEvent::ValueText() const
{
    if (bOverload)
        return bAbove ? QStringLiteral("OL") : QStringLiteral("-OL");
    return QString::fromUtf8(TextFormat::Fixed(double(fValue), nDecimals));
}

QString CAlarmEvent::LimitText() const
{
    const QString strNumber = QString::number(dLimit, 'g', 15);
    return strLimitUnit.isEmpty() ? strNumber : strNumber + QLatin1Char(' ') + strLimitUnit;
}

QString CAlarmEvent::Line() const
{
    QString strLine = TextFormat::IsoTime(time) + QStringLiteral(" alarm ") + Direction() + QLatin1Char(' ') + ValueText();
    if (!strUnit.isEmpty())
        strLine += QLatin1Char(' ') + strUnit;
    return strLine;
}

QString CAlarmEvent::Remark() const
{
    return QStringLiteral("alarm %1 %2").arg(Direction(), LimitText());
}

QByteArray CAlarmEvent::Json() const
{
    CJsonObject o;
    o.Text("received", TextFormat::IsoTime(time)).Text("alarm", Direction());
    if (bOverload)
        o.Null("value");
    else
        o.Number("value", fValue);
    o.Text("valueText", ValueText()).Text("unit", strUnit).Text("function", strFunction).Number("limit", dLimit)
        .Text("limitUnit", strLimitUnit);
    if (!strMeter.isEmpty())
        o.Text("meter", strMeter);
    return o.ToJson();
}

QStringList CAlarmEvent::Environment() const
{
    return {
        QStringLiteral("MULTIMETER_ALARM=") + Direction(),
        QStringLiteral("MULTIMETER_VALUE=") + ValueText(),
        QStringLiteral("MULTIMETER_UNIT=") + strUnit,
        QStringLiteral("MULTIMETER_FUNCTION=") + strFunction,
        QStringLiteral("MULTIMETER_LIMIT=") + QString::number(dLimit, 'g', 15),
        QStringLiteral("MULTIMETER_LIMIT_UNIT=") + strLimitUnit,
        QStringLiteral("MULTIMETER_TIME=") + TextFormat::IsoTime(time),
        QStringLiteral("MULTIMETER_METER=") + strMeter,
        QStringLiteral("MULTIMETER_TEXT=") + Remark(),
    };
}
