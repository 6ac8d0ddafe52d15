#pragma once

#include <QWidget>

// The red frame over the meter panel while an alarm waits to be acknowledged: a border all
// round and, at the bottom, a band with the alarm ("alarm above 4.5 V") and how to
// acknowledge it. Only the border and the band take the mouse (a click acknowledges); the
// panel stays usable through the middle. It covers its parent whatever the parent's size.
class CAlarmFrame : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kBorder = 6;
    static constexpr QRgb kRed = 0xffd01010;

    explicit CAlarmFrame(QWidget* pPanel);

    // Shows the frame with the alarm's text, above everything else on the panel.
    void ShowAlarm(const QString& strText);
    QString Text() const { return m_strText; }
    // The band at the bottom, in this widget's pixels.
    QRect Band() const;

signals:
    void AcknowledgeRequested();

protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;

private:
    void FollowPanel();

    QString m_strText;
};
