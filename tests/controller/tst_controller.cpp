#include "controller/controllercore.h"
#include "device/channelimage.h"
#include "device/devicetext.h"
#include "journal/journal.h"
#include "journal/writelog.h"
#include "tools/tq17sim/simulator.h"

#include <QTemporaryDir>
#include <QtTest>
#include <vector>

namespace {

// Which operation a row runs, on a connected controller with a write of channel 2 listed.
enum class Op { Identify, ReadRange, WriteRange, WriteCell, SetClock, FactoryNumber, Save };

const quint32 CLOCK_SENT = 800000000;

// A controller connected to a simulator over a pty, journalling into a folder of its own.
struct Rig {
    explicit Rig(int channels = 32)
        : sim([channels] {
              Simulator::Options options;
              options.deviceType = channels;
              return options;
          }()),
          journal(dir.filePath(QStringLiteral("journal.sqlite"))),
          log(journal, LinkIdentity(), [](const QString &) {}, [] {}),
          records(MAX_CHANNELS)
    {
        settings.devType = channels == 64 ? 1 : 0;
    }

    bool connect()
    {
        settings.port = sim.start() ? sim.portPath() : QString();
        return !settings.port.isEmpty() && core.open(settings).kind == Outcome::Kind::Done;
    }
    // Connected, with a write of channel 2's delay listed.
    bool connectListed()
    {
        if (!connect())
            return false;
        listed = plan({1});
        return listed->changes().size() == 1;
    }
    ChannelBlock held(int channel) const
    {
        ChannelBlock block;
        for (int k = 0; k < CHANNEL_BLOCK_SIZE; ++k)
            block[size_t(k)] = sim.holdingRegister(channelBlock(channel) + k);
        return block;
    }
    // The controller's block is what the record makes of it.
    bool holdsRecord(int channel) const
    {
        return ChannelImage::encode(settings.devType, records[size_t(channel)], held(channel)) ==
               held(channel);
    }
    // Channels 0..3 read, listed with the delay of the edited ones changed.
    std::unique_ptr<RangeWrite> plan(const QVector<int> &edited)
    {
        core.readRange(0, 3, records.data(), Context(), RangeReadSteps());
        auto write = std::make_unique<RangeWrite>(settings.devType, 0, 3);
        core.readForWrite(*write, Context());
        for (int c : edited)
            records[size_t(c)].delay ^= 1;
        write->list(records.data());
        return write;
    }
    QStringList journalResults()
    {
        QStringList results;
        for (const JournalEntry &entry : journal.entries(JournalFilter()))
            results << entry.result;
        return results;
    }

    QTemporaryDir dir;
    Simulator sim;
    LinkSettings settings;
    ControllerCore core;
    Journal journal;
    WriteLog log;
    std::vector<ChannelRecord> records;
    std::unique_ptr<RangeWrite> listed;
};

Outcome run(Rig &rig, Op op)
{
    quint32 held = 0;
    switch (op) {
    case Op::Identify: {
        Identification identification;
        return rig.core.identify(identification, rig.records.data());
    }
    case Op::ReadRange: return rig.core.readRange(0, 3, rig.records.data(), Context(), {});
    case Op::WriteRange: return rig.core.writeRange(*rig.listed, rig.log, Context(), {});
    case Op::WriteCell: {
        RegisterPatch patch;
        patch.address = channelBlock(2) + CH_DELAY;
        patch.words = {quint16(rig.sim.holdingRegister(patch.address) + 1)};
        FieldChange change;
        change.channel = 2;
        return rig.core.writeCell(patch, change, rig.log);
    }
    case Op::SetClock: return rig.core.setClock(CLOCK_SENT, false, held, rig.log);
    case Op::FactoryNumber: return rig.core.writeFactoryNumber(654321, QString(), rig.log);
    case Op::Save: return rig.core.saveSettings(rig.log);
    }
    return Outcome();
}

} // namespace

Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(Outcome::Kind)

class tst_Controller : public QObject
{
    Q_OBJECT

private slots:
    void identify_readsNumberAndDeviceBlock_data();
    void identify_readsNumberAndDeviceBlock();
    void rangeWrite_writesExactlyTheListedChannels_data();
    void rangeWrite_writesExactlyTheListedChannels();
    void refusedWrite_isNotTakenWithWhatWasRefused_data();
    void refusedWrite_isNotTakenWithWhatWasRefused();
    void silentController_failsTheLinkAndClosesIt_data();
    void silentController_failsTheLinkAndClosesIt();
    void cancel_endsBetweenChannels_data();
    void cancel_endsBetweenChannels();
    void setClock_isReadBack();
    void scan_findsTheAnsweringAddress_data();
    void scan_findsTheAnsweringAddress();
};

void tst_Controller::identify_readsNumberAndDeviceBlock_data()
{
    QTest::addColumn<int>("channels");
    QTest::newRow("32 channels") << 32;
    QTest::newRow("64 channels") << 64;
}

void tst_Controller::identify_readsNumberAndDeviceBlock()
{
    QFETCH(int, channels);
    Rig rig(channels);
    QVERIFY(rig.connect());
    rig.sim.setHoldingRegister(REG_HW_VERSION, HW_VERSIONS[1]);
    rig.sim.setHoldingRegister(REG_ENABLE_MASK, 0x0005);
    Identification identification;
    QCOMPARE(rig.core.identify(identification, rig.records.data()).kind, Outcome::Kind::Done);
    QCOMPARE(identification.factoryNumber, rig.sim.factoryNumber());
    QCOMPARE(identification.info.hwVer, HW_VERSIONS[1]);
    QCOMPARE(rig.records[0].enabled + rig.records[1].enabled + rig.records[2].enabled, 2);
    QCOMPARE(rig.core.channelCount(), channels);
}

void tst_Controller::rangeWrite_writesExactlyTheListedChannels_data()
{
    QTest::addColumn<QVector<int>>("edited");
    QTest::newRow("one channel") << QVector<int>{2};
    QTest::newRow("first and last") << QVector<int>{0, 3};
    QTest::newRow("nothing edited") << QVector<int>{};
}

void tst_Controller::rangeWrite_writesExactlyTheListedChannels()
{
    QFETCH(QVector<int>, edited);
    Rig rig;
    QVERIFY(rig.connect());
    const auto write = rig.plan(edited);
    QCOMPARE(write->changes().size(), edited.size());
    rig.sim.clearLogs();
    QVector<int> reported;
    const Outcome outcome = rig.core.writeRange(
        *write, rig.log, Context(),
        [&reported](int channel, int, const QVector<FieldChange> &, const QVector<FieldChange> &) {
            reported << channel;
        });
    QCOMPARE(outcome.kind, Outcome::Kind::Done);
    QCOMPARE(reported, edited);
    for (const Simulator::Write &written : rig.sim.writeLog())
        QVERIFY(edited.contains(written.address / CHANNEL_BLOCK_SIZE - 1));
    for (int c = 0; c < 4; ++c)
        QVERIFY2(rig.holdsRecord(c), qPrintable(QString::number(c)));
}

void tst_Controller::refusedWrite_isNotTakenWithWhatWasRefused_data()
{
    QTest::addColumn<Op>("op");
    QTest::addColumn<int>("refusedFields");
    QTest::addColumn<QString>("line");
    QTest::newRow("range write") << Op::WriteRange << 1 << QString();
    QTest::newRow("cell") << Op::WriteCell << 1 << QString();
    QTest::newRow("factory number")
        << Op::FactoryNumber << 0
        << DeviceText::notTakenLine(QStringLiteral("Заводской номер"), QStringLiteral("654321"),
                                    QStringLiteral("123456"));
}

void tst_Controller::refusedWrite_isNotTakenWithWhatWasRefused()
{
    QFETCH(Op, op);
    QFETCH(int, refusedFields);
    QFETCH(QString, line);
    Rig rig;
    QVERIFY(rig.connectListed());
    const ChannelBlock before1 = rig.held(1), before2 = rig.held(2);
    rig.sim.setFault(Simulator::Fault::IgnoreWrite, 0, 0, 0);
    const Outcome outcome = run(rig, op);
    QCOMPARE(outcome.kind, Outcome::Kind::NotTaken);
    QCOMPARE(outcome.text, QStringLiteral("Контроллер не принял значения:"));
    QCOMPARE(outcome.refused.size(), refusedFields);
    QCOMPARE(outcome.lines, line.isEmpty() ? QStringList() : QStringList{line});
    QVERIFY(rig.held(1) == before1 && rig.held(2) == before2);
    QCOMPARE(rig.sim.factoryNumber(), quint32(123456));
    QCOMPARE(rig.journalResults(), QStringList{Journal::NOT_TAKEN});
}

void tst_Controller::silentController_failsTheLinkAndClosesIt_data()
{
    QTest::addColumn<Op>("op");
    QTest::addColumn<QStringList>("journalled");
    QTest::newRow("identify") << Op::Identify << QStringList();
    QTest::newRow("range read") << Op::ReadRange << QStringList();
    QTest::newRow("range write") << Op::WriteRange << QStringList{Journal::LINK_ERROR};
    QTest::newRow("clock") << Op::SetClock << QStringList{Journal::LINK_ERROR};
    QTest::newRow("save") << Op::Save << QStringList{Journal::LINK_ERROR};
}

void tst_Controller::silentController_failsTheLinkAndClosesIt()
{
    QFETCH(Op, op);
    QFETCH(QStringList, journalled);
    Rig rig;
    QVERIFY(rig.connectListed());
    rig.sim.setFault(Simulator::Fault::StopAnswering);
    const Outcome outcome = run(rig, op);
    QCOMPARE(outcome.kind, Outcome::Kind::LinkFailed);
    QCOMPARE(outcome.text, QStringLiteral("Ошибка связи"));
    QVERIFY(!rig.core.isOpen());
    QCOMPARE(rig.journalResults(), journalled);
}

void tst_Controller::cancel_endsBetweenChannels_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<bool>("stopping");
    QTest::newRow("read, cancel") << false << false;
    QTest::newRow("read, stop") << false << true;
    QTest::newRow("write, cancel") << true << false;
}

void tst_Controller::cancel_endsBetweenChannels()
{
    QFETCH(bool, write);
    QFETCH(bool, stopping);
    Rig rig;
    QVERIFY(rig.connect());
    const auto plan = rig.plan({0, 1, 2});
    const ChannelBlock before = rig.held(1);
    QVector<int> done;
    Context context;
    context.cancelled = [&done] { return !done.isEmpty(); };
    context.stopping = [stopping] { return stopping; };
    Outcome outcome;
    if (write) {
        outcome = rig.core.writeRange(
            *plan, rig.log, context,
            [&done](int c, int, const QVector<FieldChange> &, const QVector<FieldChange> &) {
                done << c;
            });
    } else {
        RangeReadSteps steps;
        steps.channelRead = [&done](int c, int) { done << c; };
        outcome = rig.core.readRange(0, 3, rig.records.data(), context, steps);
    }
    QCOMPARE(outcome.kind, stopping ? Outcome::Kind::Stopped : Outcome::Kind::Cancelled);
    QCOMPARE(done, QVector<int>{0});
    QVERIFY(rig.core.isOpen());
    QVERIFY(rig.held(1) == before);
}

void tst_Controller::setClock_isReadBack()
{
    Rig rig;
    QVERIFY(rig.connect());
    quint32 held = 0;
    const Outcome outcome = rig.core.setClock(CLOCK_SENT, true, held, rig.log);
    QCOMPARE(outcome.kind, Outcome::Kind::Done);
    QCOMPARE(outcome.text,
             QStringLiteral("Часы установлены: ") + DeviceText::clockText(CLOCK_SENT));
    QVERIFY(held >= CLOCK_SENT && held <= CLOCK_SENT + 2);
    const quint32 controllerClock =
        rig.sim.holdingRegister(REG_CLOCK) | quint32(rig.sim.holdingRegister(REG_CLOCK + 1)) << 16;
    QVERIFY(controllerClock >= held && controllerClock <= held + 2);
    QCOMPARE(rig.journalResults(), QStringList{Journal::OK});
}

void tst_Controller::scan_findsTheAnsweringAddress_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QVector<int>>("found");
    QTest::addColumn<Outcome::Kind>("kind");
    QTest::newRow("answers at 1") << 1 << 3 << QVector<int>{1} << Outcome::Kind::Done;
    QTest::newRow("none in range") << 2 << 4 << QVector<int>() << Outcome::Kind::Failed;
}

void tst_Controller::scan_findsTheAnsweringAddress()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QVector<int>, found);
    QFETCH(Outcome::Kind, kind);
    Rig rig;
    QVERIFY(rig.connect());
    QVector<int> answered;
    const Outcome outcome = rig.core.scan(from, to, 100, Context(), nullptr,
                                          [&answered](int address, quint32 number) {
                                              QCOMPARE(number, quint32(123456));
                                              answered << address;
                                          });
    QCOMPARE(outcome.kind, kind);
    QCOMPARE(answered, found);
    // The line keeps its own address and waits as long as before.
    QCOMPARE(int(rig.core.mbLine.mbAddr), 1);
    QCOMPARE(rig.core.mbLine.firstByteTimeoutMs, int(modbus_line::FIRST_BYTE_TIMEOUT_MS));
}

QTEST_GUILESS_MAIN(tst_Controller)
#include "tst_controller.moc"
