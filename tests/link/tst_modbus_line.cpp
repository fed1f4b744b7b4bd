#include "modbusprobe.h"
#include "replybytes.h"
#include "tests/support/ptypeer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

constexpr int READ_REQUEST_SIZE = 8;

// Reply "01 03 00" followed by bytes 0..1028 counting up, which with its CRC fills the buffer.
QByteArray fullBufferFrame()
{
    QByteArray frame = QByteArray::fromHex("010300");
    for (int i = 0; i < 1029; ++i)
        frame.append(static_cast<char>(i & 0xFF));
    return frame + QByteArray::fromHex("4962");
}

} // namespace

class tst_modbus_line : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PtyPeer> peer;
    std::unique_ptr<ModbusProbe> line;

    void openLine(int baud = 9600)
    {
        line->portName = peer->portPath();
        line->baudRate = baud;
        QVERIFY(line->openPort());
    }
    // One read request answered by the given pieces; returns waitPkt's verdict.
    bool exchange(const Pieces &reply, unsigned registers = 2)
    {
        peer->play({{READ_REQUEST_SIZE, reply}});
        line->readHolding(0, registers);
        return line->waitPkt();
    }

private slots:
    void init()
    {
        peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->isReady());
        line = std::make_unique<ModbusProbe>();
    }
    void cleanup()
    {
        line.reset();
        peer.reset();
    }

    void crc16_matchesReferenceVectors_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("crc");
        QByteArray counting;
        for (int i = 0; i < 256; ++i)
            counting.append(static_cast<char>(i));
        QTest::newRow("empty input keeps the initial value") << QByteArray() << 0xFFFF;
        QTest::newRow("check string 123456789") << QByteArray("123456789") << 0x4B37;
        QTest::newRow("read holding request header")
            << QByteArray::fromHex("010301020003") << 0xF7A5;
        QTest::newRow("bytes 00 to FF") << counting << 0xDE6C;
    }
    void crc16_matchesReferenceVectors()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, crc);
        QCOMPARE(int(modbus_line::crc16(reinterpret_cast<const uint8_t *>(data.constData()),
                                        data.size())),
                 crc);
    }

    void waitPkt_judgesReply_data()
    {
        QTest::addColumn<bool>("fast");
        QTest::addColumn<Pieces>("reply");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("kept");
        const QByteArray good = QByteArray::fromHex("01 03 04 12 34 AB CD 00 20");
        const QByteArray full = fullBufferFrame();
        const QByteArray junk = QByteArray::fromHex("55 55 55");

        // Every reply is judged alike whether its end is found by its length or by silence;
        // only a pause within a reply, or bytes soon after it, tell the two apart.
        for (const bool fast : {false, true}) {
            const char *mode = fast ? "fast end: " : "";
            auto row = [mode, fast](const char *name) -> QTestData & {
                return QTest::addRow("%s%s", mode, name) << fast;
            };
            row("whole reply at once passes") << Pieces{{0, good}} << true << good;
            row("pieces 20 ms apart are assembled and pass")
                << Pieces{{0, good.left(2)}, {20, good.mid(2, 4)}, {20, good.mid(6)}} << true
                << good;
            row("pause of 150 ms within the reply")
                << Pieces{{0, good.left(5)}, {150, good.mid(5)}} << fast
                << (fast ? good : good.left(5));
            row("bytes right after the reply")
                << Pieces{{0, good + junk}} << fast << (fast ? good : good + junk);
            row("reply starting 900 ms late still passes") << Pieces{{900, good}} << true << good;
            row("exception reply with correct CRC fails")
                << Pieces{{0, QByteArray::fromHex("01 83 02 C0 F1")}} << false
                << QByteArray::fromHex("01 83 02 C0 F1");
            row("swapped CRC bytes fail")
                << Pieces{{0, QByteArray::fromHex("01 03 04 12 34 AB CD 20 00")}} << false
                << QByteArray::fromHex("01 03 04 12 34 AB CD 20 00");
            row("two bytes are too short to pass")
                << Pieces{{0, QByteArray::fromHex("01 03")}} << false << QByteArray::fromHex("01 03");
            row("frame filling the buffer with a valid CRC fails")
                << Pieces{{0, full}} << false << full;
            row("reply one byte longer than the buffer fails, first 1034 kept")
                << Pieces{{0, full + QByteArray(1, '\x55')}} << false << full;
            row("reply of 1500 bytes fails, first 1034 kept")
                << Pieces{{0, full + QByteArray(466, '\x55')}} << false << full;

            // Valid CRCs, wrong shapes for a read of two holding registers at slave 1.
            const char *wrongShapes[][2] = {
                {"one register of two, counted as one", "01 03 02 12 34"},
                {"three registers of two, counted as three", "01 03 06 12 34 AB CD 00 01"},
                {"byte count 6 over four bytes", "01 03 06 12 34 AB CD"},
                {"byte count 2 over four bytes", "01 03 02 12 34 AB CD"},
                {"slave 2 answering", "02 03 04 12 34 AB CD"},
                {"function 4 answering function 3", "01 04 04 12 34 AB CD"},
                {"write echo answering a read", "01 10 00 00 00 02"},
                {"exception of another function", "01 84 02"},
            };
            for (const auto &shape : wrongShapes) {
                const QByteArray frame = framed(shape[1]);
                row(shape[0]) << Pieces{{0, frame}} << false << frame;
            }
        }
    }
    // The next exchange is not disturbed by whatever the last one left on the line.
    void waitPkt_judgesReply()
    {
        QFETCH(bool, fast);
        QFETCH(Pieces, reply);
        QFETCH(bool, valid);
        QFETCH(QByteArray, kept);
        openLine();
        line->fastFrameEnd = fast;

        QCOMPARE(exchange(reply), valid);
        QCOMPARE(line->linkError, !valid);
        QCOMPARE(keptReply(*line), kept);
        QVERIFY(zeroFrom(*line, line->rxLen));
        // Nothing of a failed reply is read, nor anything past the two registers asked for.
        for (int i = valid ? 2 : 0; i < 4; ++i)
            QCOMPARE(line->getReg(i), 0);
        const QByteArray next = QByteArray::fromHex("01 03 02 00 2A 39 9B");
        QVERIFY(exchange({{0, next}}, 1));
        QCOMPARE(keptReply(*line), next);
    }

    void waitPkt_noReply_failsWithin1850msAndEmptyBuffer()
    {
        openLine();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!exchange({}));
        QVERIFY(clock.elapsed() >= 1000);
        QVERIFY(clock.elapsed() <= 1850 + 300);
        QCOMPARE(line->rxLen, 0);
        QVERIFY(line->linkError);
    }

    void waitPkt_shortReply_zeroesRestOfBuffer()
    {
        openLine();
        std::fill(std::begin(line->rxBuf), std::end(line->rxBuf), 0xEE);
        QVERIFY(exchange({{0, QByteArray::fromHex("01 03 02 00 2A 39 9B")}}, 1));
        QCOMPARE(line->rxLen, 7);
        QVERIFY(zeroFrom(*line, 7));
        QCOMPARE(line->getReg(0), 0x2A);
    }

    void waitPkt_endlessFastLine_stopsPastBufferSizeWithError()
    {
        openLine();
        peer->stream(READ_REQUEST_SIZE, QByteArray(64, '\x11'), 2);
        line->readHolding(0, 2);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!line->waitPkt());
        QVERIFY(clock.elapsed() < 3000);
        QVERIFY(line->linkError);
        QCOMPARE(line->rxLen, modbus_line::RX_SIZE);
    }

    void waitPkt_lineNeverSilentFor50ms_endsAtTimeCapWithError()
    {
        openLine();
        // A busy machine can hold the peer's own stream up past 50 ms; such a run proves
        // nothing, so it is played again rather than judged.
        for (int attempt = 0; attempt < 4; ++attempt) {
            peer->stream(READ_REQUEST_SIZE, QByteArray(1, '\x22'), 10);
            line->readHolding(0, 2);
            QElapsedTimer clock;
            clock.start();
            QVERIFY(!line->waitPkt());
            const qint64 took = clock.elapsed();
            peer->stop();
            if (peer->longestStreamGapMs() >= 50)
                continue;
            QVERIFY2(took > 8600 && took < 8617 + 1000 + 1500, qPrintable(QString::number(took)));
            QVERIFY(line->linkError);
            QVERIFY(line->rxLen > 100 && line->rxLen < modbus_line::RX_SIZE);
            return;
        }
        QFAIL("the peer never kept its stream without a 50 ms pause");
    }

    // A late answer to one request must not pass for the answer to the next.
    void sendPkt_discardsBytesLeftFromTheLastReply_data()
    {
        QTest::addColumn<bool>("fast");
        QTest::newRow("end at silence") << false;
        QTest::newRow("end at length") << true;
    }
    void sendPkt_discardsBytesLeftFromTheLastReply()
    {
        QFETCH(bool, fast);
        openLine();
        line->fastFrameEnd = fast;
        const QByteArray good = QByteArray::fromHex("01 03 04 12 34 AB CD 00 20");
        QVERIFY(exchange({{0, good}, {150, good}}));
        QVERIFY(line->dropReadyReadConnection());
        QTRY_COMPARE_WITH_TIMEOUT(line->port.bytesAvailable(), qint64(good.size()), 2000);
        QVERIFY(exchange({{0, good}}));
        QCOMPARE(keptReply(*line), good);
    }

    // Noise after a reply ended at its length keeps the line busy; a request sent into it would
    // have its reply begin with the noise. At 1200 baud the gap is 29 ms.
    void sendPkt_fastEnd_waitsUntilNoiseAfterReplyStops_data()
    {
        QTest::addColumn<int>("noiseBytes");
        QTest::addColumn<int>("everyMs");
        QTest::newRow("a byte every 10 ms for 80 ms") << 8 << 10;
        QTest::newRow("a byte every 20 ms for 160 ms") << 8 << 20;
    }
    void sendPkt_fastEnd_waitsUntilNoiseAfterReplyStops()
    {
        QFETCH(int, noiseBytes);
        QFETCH(int, everyMs);
        openLine(1200);
        line->fastFrameEnd = true;
        const QByteArray good = QByteArray::fromHex("01 03 04 12 34 AB CD 00 20");
        const QByteArray next = QByteArray::fromHex("01 03 02 00 2A 39 9B");
        Pieces noisy{{0, good}};
        for (int i = 0; i < noiseBytes; ++i)
            noisy.append({everyMs, QByteArray(1, '\x55')});
        peer->play({{READ_REQUEST_SIZE, noisy}, {READ_REQUEST_SIZE, {{0, next}}}});
        line->readHolding(0, 2);
        QVERIFY(line->waitPkt());
        line->readHolding(0, 1);
        QVERIFY(line->waitPkt());
        QCOMPARE(keptReply(*line), next);
    }

    void waitPkt_keepsReadyReadConnectedAfterwards()
    {
        openLine();
        exchange({{0, QByteArray::fromHex("01 03 02 00 2A 39 9B")}}, 1);
        QVERIFY(line->dropReadyReadConnection());
        QVERIFY(!line->dropReadyReadConnection());
    }

    void read_fewerBytesThanExpected_onlyAccumulates()
    {
        openLine();
        const QByteArray reply = QByteArray::fromHex("01 03 06 00 01 00 02 00 03 FD 74");
        peer->play({{READ_REQUEST_SIZE, {{0, reply.left(10)}, {300, reply.mid(10)}}}});
        QSignalSpy received(line.get(), &modbus_line::receivePkt);
        QVERIFY(line->readHolding(0, 3));
        QCOMPARE(line->rxExpected, 11);

        QTRY_COMPARE_WITH_TIMEOUT(line->rxAccum.size(), 10, 2000);
        QCOMPARE(received.count(), 0);
        QCOMPARE(line->rxLen, 0);
        QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 2000);
        QCOMPARE(keptReply(*line), reply);
        QVERIFY(!line->linkError);
    }

    void read_badFrame_setsLinkErrorWithoutSignal()
    {
        openLine();
        peer->play({{READ_REQUEST_SIZE, {{0, QByteArray::fromHex("01 03 02 00 2A 9B 39")}}}});
        QSignalSpy received(line.get(), &modbus_line::receivePkt);
        QVERIFY(line->readHolding(0, 1));
        QTRY_COMPARE_WITH_TIMEOUT(line->rxLen, 7, 2000);
        QVERIFY(line->linkError);
        QCOMPARE(received.count(), 0);
    }

    void openPort_onOpenLine_reopensWithCurrentBaudRate()
    {
        openLine(9600);
        QCOMPARE(peer->lineSpeed(), speed_t(B9600));
        line->baudRate = 19200;
        QVERIFY(line->openPort());
        QCOMPARE(peer->lineSpeed(), speed_t(B19200));
        QVERIFY(line->isOpen);
        QVERIFY(!line->linkError);
        QVERIFY(exchange({{0, QByteArray::fromHex("01 03 02 00 2A 39 9B")}}, 1));
        QVERIFY(line->dropReadyReadConnection());
        QVERIFY(!line->dropReadyReadConnection());
    }

    void openPort_missingPort_failsWithoutReadyReadConnection()
    {
        openLine();
        line->portName = QStringLiteral("/dev/tq17-no-such-port");
        QVERIFY(!line->openPort());
        QVERIFY(line->linkError);
        QVERIFY(!line->isOpen);
        QVERIFY(!line->dropReadyReadConnection());
    }

    void closePort_keepsLinkErrorAndDropsConnection()
    {
        openLine();
        QVERIFY(!exchange({{0, QByteArray::fromHex("01 03 02 00 2A 9B 39")}}));
        line->closePort();
        QVERIFY(!line->isOpen);
        QVERIFY(line->linkError);
        QVERIFY(!line->dropReadyReadConnection());
    }

    void sendPkt_closedLine_sendsNothingAndWaitPktFails()
    {
        openLine();
        line->closePort();
        peer->play({{1, {}}});
        QVERIFY(!line->readHolding(0, 2));
        QVERIFY(!line->waitPkt());
        QVERIFY(line->linkError);
        QCOMPARE(line->rxLen, 0);
        QVERIFY(!line->dropReadyReadConnection());
        QCOMPARE(peer->heard(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(tst_modbus_line)
#include "tst_modbus_line.moc"
