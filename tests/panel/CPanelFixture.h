#pragma once

#include "panel/CPanelPainter.h"

#include <QImage>
#include <QStringList>

#include <functional>

#include <gtest/gtest.h>

// Renders the panel at a scale and finds what was drawn where.
class CPanelFixture : public ::testing::Test
{
protected:
    static MeterReading Reading(float fValue, float fRange, const char* pszUnit, int nDecimals,
                                const char* pszFunction = "")
    {
        MeterReading r;
        r.m_fValue = fValue;
        r.m_fRange = fRange;
        r.m_strUnit = QString::fromUtf8(pszUnit);
        r.m_nDecimals = nDecimals;
        r.m_strFunction = QString::fromUtf8(pszFunction);
        r.m_bIndicatorB = true;
        r.m_nYear = 25;
        r.m_nMonth = 3;
        r.m_nDay = 14;
        r.m_nHour = 9;
        r.m_nMinute = 30;
        r.m_bClockFlag = true;
        return r;
    }

    void Render(int nLayout, const MeterReading& r, int nMode = 6, double dScale = 1.0)
    {
        m_state.m_nLayout = nLayout;
        m_state.m_nDisplayMode = nMode;
        m_state.m_reading = r;
        m_dScale = dScale;
        m_image = CPanelPainter::Render(m_state, dScale, &m_texts);
    }

    // The first text item with this text inside the display area, or null.
    const CPanelPainter::TextItem* Find(const QString& strText) const
    {
        for (const CPanelPainter::TextItem& item : m_texts) {
            if (item.strText == strText && CPanelPainter::DisplayArea().contains(item.rect.center()))
                return &item;
        }
        return nullptr;
    }
    bool Has(const char* pszText) const { return Find(QString::fromUtf8(pszText)) != nullptr; }
    QStringList DisplayTexts() const
    {
        QStringList texts;
        for (const CPanelPainter::TextItem& item : m_texts) {
            if (CPanelPainter::DisplayArea().contains(item.rect.center()))
                texts << item.strText;
        }
        return texts;
    }

    QColor Pixel(double x, double y) const { return m_image.pixelColor(int(x * m_dScale), int(y * m_dScale)); }
    // Pixels of a colour inside a panel rectangle.
    int Count(const QRectF& rect, const std::function<bool(const QColor&)>& test) const
    {
        const QRect pixels = QRectF(rect.topLeft() * m_dScale, rect.size() * m_dScale).toRect();
        int n = 0;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            for (int x = pixels.left(); x <= pixels.right(); ++x)
                n += test(m_image.pixelColor(x, y)) ? 1 : 0;
        return n;
    }
    // Pixels in a text's box drawn darker than the display (the ink).
    int InkIn(const CPanelPainter::TextItem& item) const
    {
        return Count(item.rect, [](const QColor& c) { return c.value() < 80; });
    }
    static QPointF DisplayPoint(double x, double y) { return CPanelPainter::DisplayArea().topLeft() + QPointF(x, y); }

    CPanelState m_state;
    QImage m_image;
    QList<CPanelPainter::TextItem> m_texts;
    double m_dScale = 1.0;
};
