#pragma once
// The real window in manual mode offscreen: a fixed universal-time clock,
// a capturing output channel, scripted dialogs, ticks run one by one.
#include "common/text_lines.h"
#include "sim/replay/replay_harness.h"
#include "sim/window/sim_window_manual.h"

#include <QFile>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

namespace zvtest {

struct ManualHarness : ReplayHarness {
    QDateTime now{QDate(2026, 12, 6), QTime(14, 30, 5), Qt::UTC};

    ManualHarness()
    {
        window->manualMode().setClock([this] { return now; });
        window->show();
        QApplication::setActiveWindow(window.get());
        (void)QTest::qWaitForWindowActive(window.get());
    }

    zelvan::SimManualMode& manual() { return window->manualMode(); }
    template <typename T = QWidget>
    T* child(const QString& name) const
    {
        return window->findChild<T*>(name);
    }
    QScrollBar* spin(const QString& name) const { return child<QScrollBar>(name); }
    QString label(const char* name) const { return child<QLabel>(QString::fromLatin1(name))->text(); }

    void manualOn() { ui().manu->setChecked(true); }
    void manualOff() { ui().manu->setChecked(false); }
    void start() { ui().skip1->click(); }
    void stop() { static_cast<QToolButton*>(ui().stopA)->click(); }

    // "48°05'44\".7N" from the eight labels, blanks removed.
    QString latText() const
    {
        QString t;
        for (const char* n : {"ggn", "mmn", "ssn", "kkn"})
            t += label(n);
        return t.remove(QLatin1Char(' '));
    }
    QString lonText() const
    {
        QString t;
        for (const char* n : {"ggo", "mmo", "sso", "kko"})
            t += label(n);
        return t.remove(QLatin1Char(' '));
    }
    // Sentences sent, by type ("$GPRMC").
    QList<QByteArray> sentOf(const char* head) const
    {
        QList<QByteArray> out;
        for (const QByteArray& s : channel.sent)
            if (s.startsWith(head))
                out.append(s);
        return out;
    }
};

// The lines of a recording, whatever its line ends.
inline QList<QByteArray> fileLines(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? zv::splitTextLines(f.readAll()) : QList<QByteArray>{};
}

} // namespace zvtest
