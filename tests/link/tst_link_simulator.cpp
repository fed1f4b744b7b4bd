#include "modbusprobe.h"
#include "tools/tq17sim/simulator.h"
#include "xmodemprobe.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(SimFault)

namespace {

constexpr int CHANNEL_BLOCK = 50;
constexpr int CMD_REG = 32;
constexpr int ARG_REG = 33;
constexpr uint16_t ARCHIVE_UPLOAD = 32;

// The end of an archive download: every transfer result and the blocks that passed.
struct Download {
    QVector<int> results;
    int blocks = 0;
};

} // namespace

class tst_link_simulator : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Simulator> sim;
    std::unique_ptr<ModbusProbe> line;

    void startSimulator(int slaveAddress = 1)
    {
        Simulator::Options options;
        options.slaveAddress = slaveAddress;
        options.generatedRecords = 16000;
        sim = std::make_unique<Simulator>(options);
        QVERIFY2(sim->start(), qPrintable(sim->errorString()));
        line->portName = sim->portPath();
        line->baudRate = 9600;
        line->mbAddr = uint8_t(slaveAddress);
        QVERIFY(line->openPort());
    }

    void writeRegister(int address, uint16_t value)
    {
        const uint16_t word = swap16(value);
        line->writeMultiple(address, 1, &word);
        line->waitPkt();
    }

    // The archive exchange as the poll tick runs it, handing the port over and back.
    Download download(XmodemProbe &xm, uint16_t archive)
    {
        writeRegister(ARG_REG, archive);
        writeRegister(CMD_REG, ARCHIVE_UPLOAD);
        line->closePort();
        xm.portName = line->portName;
        Download done;
        if (xm.openPort()) {
            int result = xm.transfer(xmodem_line::START, xmodem_line::BLOCK_SIZE);
            done.results << result;
            while (true) {
                if (xm.rxBuf[0] == xmodem_line::EOT)
                    done.results << (result = xm.transfer(xmodem_line::ACK, 0));
                if (result != xmodem_line::BLOCK_SIZE)
                    break;
                ++done.blocks;
                done.results << (result = xm.transfer(xmodem_line::ACK, xmodem_line::BLOCK_SIZE));
            }
        }
        xm.closePort();
        line->openPort();
        return done;
    }

private slots:
    void init() { line = std::make_unique<ModbusProbe>(); }
    void cleanup()
    {
        line.reset();
        sim.reset();
    }

    void readHolding_channelBlock_matchesSimulatorRegisters()
    {
        startSimulator();
        QVERIFY(line->readHolding(CHANNEL_BLOCK, CHANNEL_BLOCK));
        QVERIFY(line->waitPkt());
        QCOMPARE(line->rxLen, 2 * CHANNEL_BLOCK + 5);
        QCOMPARE(int(line->replyFunction()), 3);
        for (int i = 0; i < CHANNEL_BLOCK; ++i)
            QCOMPARE(line->getReg(i), int(sim->holdingRegister(CHANNEL_BLOCK + i)));
        QCOMPARE(line->getReg(CHANNEL_BLOCK + 1), 0);
    }

    void writeMultiple_swappedWords_landInSimulatorRegisters()
    {
        startSimulator();
        const QVector<uint16_t> values{0x1234, 0xFEDC, 0x0001};
        QVector<uint16_t> words;
        for (uint16_t value : values)
            words << swap16(value);
        QVERIFY(line->writeMultiple(2 * CHANNEL_BLOCK, 3, words.constData()));
        QVERIFY(line->waitPkt());
        QCOMPARE(int(line->replyFunction()), 16);
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(sim->holdingRegister(2 * CHANNEL_BLOCK + i), values[i]);
    }

    void slaveAddress247_isAnsweredOnlyWhenAddressed()
    {
        startSimulator(247);
        QVERIFY(line->readInput(0, 4));
        QVERIFY(line->waitPkt());
        QCOMPARE(int(line->rxBuf[0]), 247);
        line->mbAddr = 1;
        QVERIFY(line->readInput(0, 4));
        QVERIFY(!line->waitPkt());
        QCOMPARE(line->rxLen, 0);
    }

    void faultyReply_isJudged_data()
    {
        QTest::addColumn<bool>("fast");
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<int>("parameter");
        QTest::addColumn<bool>("valid");
        for (const bool fast : {false, true}) {
            const char *mode = fast ? "fast end: " : "";
            auto row = [mode, fast](const char *name) -> QTestData & {
                return QTest::addRow("%s%s", mode, name) << fast;
            };
            row("no reply fails") << SimFault::NoReply << 0 << false;
            row("bad CRC fails") << SimFault::BadCrc << 0 << false;
            row("exception reply fails") << SimFault::ExceptionReply << 2 << false;
            row("pieces 20 ms apart pass") << SimFault::PiecesShortGaps << 20 << true;
            // Only silence ends a reply early.
            row("pieces 80 ms apart") << SimFault::PiecesLongGaps << 80 << fast;
            row("1500-byte reply with valid CRC fails") << SimFault::OverlongReply << 1500 << false;
            row("3 registers of 50 fail") << SimFault::ShortRead << 3 << false;
            row("49 registers of 50 fail") << SimFault::ShortRead << 49 << false;
            row("byte count beyond the data fails") << SimFault::WrongByteCount << 0 << false;
            row("another slave's reply fails") << SimFault::WrongSlave << 0 << false;
            row("function 4 for 3 fails") << SimFault::WrongFunction << 0 << false;
            row("late reply within the first-byte time passes")
                << SimFault::LateReply << 600 << true;
        }
        QTest::newRow("line chattering for 3 s after the reply fails")
            << false << SimFault::EndlessLine << 3000 << false;
    }
    void faultyReply_isJudged()
    {
        QFETCH(bool, fast);
        QFETCH(SimFault, fault);
        QFETCH(int, parameter);
        QFETCH(bool, valid);
        startSimulator();
        line->fastFrameEnd = fast;
        sim->setFault(fault, 0, parameter);
        QVERIFY(line->readHolding(CHANNEL_BLOCK, CHANNEL_BLOCK));
        QCOMPARE(line->waitPkt(), valid);
        QCOMPARE(line->linkError, !valid);
        QVERIFY(line->rxLen <= modbus_line::RX_SIZE);
        for (int i = 0; i < CHANNEL_BLOCK + 1; ++i) {
            const int held =
                valid && i < CHANNEL_BLOCK ? sim->holdingRegister(CHANNEL_BLOCK + i) : 0;
            QCOMPARE(line->getReg(i), held);
        }
    }

    // The write takes effect in each case; only its acknowledgement is wrong.
    void faultyWriteEcho_isLinkError_data()
    {
        QTest::addColumn<SimFault>("fault");
        QTest::newRow("another slave's echo") << SimFault::WrongSlave;
        QTest::newRow("function 6 for 16") << SimFault::WrongFunction;
        QTest::newRow("one register fewer echoed") << SimFault::ShortWriteEcho;
    }
    void faultyWriteEcho_isLinkError()
    {
        QFETCH(SimFault, fault);
        startSimulator();
        sim->setFault(fault);
        const uint16_t words[3] = {swap16(1), swap16(2), swap16(3)};
        QVERIFY(line->writeMultiple(2 * CHANNEL_BLOCK, 3, words));
        QVERIFY(!line->waitPkt());
        QVERIFY(line->linkError);
        QCOMPARE(sim->holdingRegister(2 * CHANNEL_BLOCK + 2), quint16(3));
    }

    void exceptionReply_showsFunctionWithBit7()
    {
        startSimulator();
        sim->setFault(SimFault::ExceptionReply, 0, 2);
        QVERIFY(line->readInput(0, 4));
        QVERIFY(!line->waitPkt());
        QCOMPARE(int(line->replyFunction()), 0x84);
    }

    void download_archiveOf250Blocks_endsWithEotAndAck()
    {
        startSimulator();
        XmodemProbe xm;
        const Download done = download(xm, 1);
        QCOMPARE(done.blocks, 250);
        QCOMPARE(done.results.mid(done.results.size() - 2), (QVector<int>{1, 0}));
        QTRY_COMPARE_WITH_TIMEOUT(sim->completedUploads(), 1, 2000);
    }

    void download_modbusLineAt9600_worksAfterwardsAtSameBaud()
    {
        startSimulator();
        XmodemProbe xm;
        download(xm, 0);
        QCOMPARE(line->baudRate, 9600);
        QVERIFY(line->readHolding(CHANNEL_BLOCK, 2));
        QVERIFY(line->waitPkt());
    }

    void download_faultyUpload_endsEarly_data()
    {
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<int>("parameter");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<int>("lastResult");
        QTest::newRow("EOT at once ends with no block") << SimFault::XmEotAtOnce << 0 << 0 << 0;
        QTest::newRow("bad CRC in block 3 keeps two") << SimFault::XmBadBlockCrc << 3 << 2 << -1;
        QTest::newRow("128-byte block 1 keeps none") << SimFault::XmShortBlock << 1 << 0 << -1;
        QTest::newRow("stray bytes after block 5 do no harm")
            << SimFault::XmStrayBytes << 5 << 250 << 0;
        QTest::newRow("silence after C keeps none") << SimFault::XmSilence << 0 << 0 << -1;
    }
    void download_faultyUpload_endsEarly()
    {
        QFETCH(SimFault, fault);
        QFETCH(int, parameter);
        QFETCH(int, blocks);
        QFETCH(int, lastResult);
        startSimulator();
        sim->setFault(fault, 0, parameter);
        XmodemProbe xm;
        const Download done = download(xm, 2);
        QCOMPARE(done.blocks, blocks);
        QCOMPARE(done.results.last(), lastResult);
    }
};

QTEST_GUILESS_MAIN(tst_link_simulator)
#include "tst_link_simulator.moc"
