#pragma once
// The real window offscreen with a capturing output channel and scripted
// dialogs; ticks are run one by one, without waits.
#include "sim/replay/output_channel.h"
#include "sim/replay/replay_tick.h"
#include "sim/replay/sentence_sink.h"
#include "sim/tracks/loader.h"
#include "sim/window/sim_window.h"
#include "support/scripted_dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

namespace zvtest {

class CapturingChannel : public zelvan::OutputChannel {
public:
    bool open(QString*) override
    {
        m_open = true;
        ++opens;
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void send(const QByteArray& sentence) override { sent.append(sentence); }

    QList<QByteArray> sent;
    int opens = 0;

private:
    bool m_open = false;
};

inline QByteArray readTestData(const QString& relative)
{
    QFile f(QStringLiteral(ZV_TEST_DATA_DIR "/") + relative);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

struct ReplayHarness {
    QTemporaryDir home;
    std::unique_ptr<zelvan::SimWindow> window;
    CapturingChannel channel;
    ScriptedDialogs dialogs;

    ReplayHarness() : ReplayHarness(QByteArray()) {}
    // iniText: the whole Zelvan.ini, for tests that choose the output entry
    // and devices themselves; empty gives the printer-entry file below.
    explicit ReplayHarness(const QByteArray& iniText)
    {
        QDir(home.path()).mkdir(QStringLiteral("Tracks"));
        // Output into a file through the first printer entry: no serial device of
        // the machine is needed, nor held against a test running in parallel.
        const QString lpt = QDir(home.path()).filePath(QStringLiteral("lpt1"));
        QFile device(lpt);
        if (device.open(QIODevice::WriteOnly))
            device.close();
        QFile ini(QDir(home.path()).filePath(QStringLiteral("Zelvan.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(iniText.isEmpty() ? "[Port]\r\nCOM= 20\r\n[Devices]\r\nLPT1=" + lpt.toUtf8() + "\r\n" : iniText);
        ini.close();
        window = std::make_unique<zelvan::SimWindow>(home.path());
        window->setDialogs(&dialogs);
        window->addOutputChannel(&channel);
        window->tick().setPreOutputWaitMs(0);
        // File1 lists every readable kind (the stored default leaves out
        // *.KML and *.gpx), as a user would after ALL.
        if (auto* all = window->findChild<QPushButton*>(QStringLiteral("ALL")))
            all->click();
    }
    ~ReplayHarness() { window.reset(); }

    zelvan::ReplayState& state() { return window->replayState(); }
    const zelvan::SimControls& ui() { return window->controls(); }
    zelvan::ReplayTick& tick() { return window->tick(); }
    zelvan::Loader& loader() { return window->loader(); }

    void addFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(QDir(window->trackFolder()).filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.close();
        window->refreshFileList();
    }
    bool select(const QString& name)
    {
        const auto items = ui().file1->findItems(name, Qt::MatchExactly);
        if (items.isEmpty())
            return false;
        ui().file1->setCurrentItem(items.first());
        return true;
    }
    bool load(const QString& name)
    {
        if (!select(name))
            return false;
        loader().loadSelectedFile();
        return state().replayActive;
    }
    bool loadData(const QString& relative)
    {
        const QString name = relative.section(QLatin1Char('/'), -1);
        addFile(name, readTestData(relative));
        return load(name);
    }
    QStringList list1() const
    {
        QStringList out;
        for (int i = 0; i < window->controls().list1->count(); ++i)
            out << window->controls().list1->item(i)->text();
        return out;
    }
    void runTick() { tick().onTimer1(); }
    // Ticks until the replay stops; returns the number of ticks run.
    int runToEnd(int maxTicks = 1000000)
    {
        int n = 0;
        while (state().replayActive && n < maxTicks) {
            runTick();
            ++n;
        }
        return n;
    }
    void setData(std::initializer_list<int> ticked)
    {
        for (QCheckBox* b : ui().data)
            b->setChecked(false);
        for (int i : ticked)
            ui().data[i]->setChecked(true);
    }
};

} // namespace zvtest
