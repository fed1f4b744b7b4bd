#include "ptyclient.h"
#include "tools/tq17sim/crc16.h"
#include "tools/tq17sim/simulator.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(SimFault)

namespace {

using Fault = Simulator::Fault;

constexpr char kStx = 0x02;
constexpr char kEot = 0x04;
constexpr char kAck = 0x06;

QByteArray withCrc(QByteArray frame)
{
    const quint16 crc = Crc16::modbus(frame);
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}

bool crcValid(const QByteArray &frame)
{
    return frame.size() >= 3 && withCrc(frame.left(frame.size() - 2)) == frame;
}

QByteArray readRequest(quint8 address, quint8 function, int start, int count)
{
    const char bytes[] = {char(address), char(function), char(start >> 8), char(start), 0,
                          char(count)};
    return withCrc(QByteArray(bytes, sizeof bytes));
}

QByteArray writeRequest(quint8 address, int start, const QVector<quint16> &values)
{
    QByteArray frame;
    for (const int byte :
         {int(address), 16, start >> 8, start & 0xFF, 0, values.size(), 2 * values.size()})
        frame.append(char(byte));
    for (const quint16 value : values) {
        frame.append(char(value >> 8));
        frame.append(char(value & 0xFF));
    }
    return withCrc(frame);
}

QVector<quint16> registersOf(const QByteArray &reply)
{
    QVector<quint16> values;
    for (int i = 3; i + 1 < reply.size() - 2; i += 2)
        values << quint16(quint8(reply[i]) << 8 | quint8(reply[i + 1]));
    return values;
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void crcCheckValues();
    void readsReturnRegisters_data();
    void readsReturnRegisters();
    void writeChangesRegistersAndLog();
    void commandsSetIdentity();
    void clockRunsFromWrittenValue();
    void foreignBrokenAndUnknownRequests();
    void replyFaults_data();
    void replyFaults();
    void piecesWithGaps_data();
    void piecesWithGaps();
    void stopAnsweringUntilCleared();
    void bytesSentToClosedPortAreLost();
    void endlessLineEnds();
    void uploadsArchiveFile();
    void generatedArchiveHoldsValidRecords();
    void xmodemFaultsHandLineBackToModbus_data();
    void xmodemFaultsHandLineBackToModbus();
    void initialImageMarksForeignRegisters();
    void stateSurvivesRestart();
    void pacedRepliesTakeWireTime();
    void linkFollowsPort();

private:
    std::unique_ptr<Simulator> started(const Simulator::Options &options = {});
    QByteArray transact(const QByteArray &request);
    void startUpload(int archive);
    void download(QByteArray *data);

    std::unique_ptr<Simulator> sim_;
    std::unique_ptr<PtyClient> client_;
};

std::unique_ptr<Simulator> TestSimulator::started(const Simulator::Options &options)
{
    client_.reset();
    auto simulator = std::make_unique<Simulator>(options);
    if (simulator->start())
        client_ = std::make_unique<PtyClient>(simulator->portPath());
    return simulator;
}

QByteArray TestSimulator::transact(const QByteArray &request)
{
    client_->send(request);
    return client_->receive();
}

void TestSimulator::startUpload(int archive)
{
    QVERIFY(crcValid(transact(writeRequest(1, 33, {quint16(archive)}))));
    QVERIFY(crcValid(transact(writeRequest(1, 32, {32}))));
    QVERIFY(sim_->archiveUploadActive());
    client_->send("C");
}

// Receives blocks until EOT, checking and acknowledging each.
void TestSimulator::download(QByteArray *data)
{
    for (int number = 1;; ++number) {
        const QByteArray head = client_->receiveCount(1);
        QCOMPARE(head.size(), 1);
        if (head[0] == kEot)
            break;
        const QByteArray block = head + client_->receiveCount(1028);
        QCOMPARE(block.size(), 1029);
        QCOMPARE(block[0], kStx);
        QCOMPARE(quint8(block[1]), quint8(number));
        QCOMPARE(quint8(block[2]), quint8(255 - number));
        const QByteArray payload = block.mid(3, 1024);
        QCOMPARE(quint8(block[1027]) << 8 | quint8(block[1028]), int(Crc16::xmodem(payload)));
        *data += payload;
        client_->send(QByteArray(1, kAck));
    }
    client_->send(QByteArray(1, kAck));
    QTRY_VERIFY(!sim_->archiveUploadActive());
}

void TestSimulator::crcCheckValues()
{
    QCOMPARE(Crc16::modbus("123456789"), quint16(0x4B37));
    QCOMPARE(Crc16::xmodem("123456789"), quint16(0x31C3));
}

void TestSimulator::readsReturnRegisters_data()
{
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<int>("concentrationBase");
    QTest::newRow("32 channels") << 32 << 36;
    QTest::newRow("64 channels") << 64 << 68;
}

void TestSimulator::readsReturnRegisters()
{
    QFETCH(int, deviceType);
    QFETCH(int, concentrationBase);
    Simulator::Options options;
    options.deviceType = deviceType;
    options.factoryNumber = 0xDEADBEEF;
    sim_ = started(options);
    QVERIFY(client_ && client_->isOpen());
    sim_->setHoldingRegister(101, 0x1234);
    sim_->setHoldingRegister(102, 0xABCD);
    sim_->setInputRegister(concentrationBase + 5, 777);

    const QByteArray holding = transact(readRequest(1, 3, 100, 3));
    QCOMPARE(holding.size(), 11);
    QVERIFY(crcValid(holding));
    QCOMPARE(holding.left(3), QByteArray("\x01\x03\x06", 3));
    QCOMPARE(registersOf(holding), QVector<quint16>({sim_->holdingRegister(100), 0x1234, 0xABCD}));

    const QByteArray identity = transact(readRequest(1, 4, 1, 2));
    QVERIFY(crcValid(identity));
    QCOMPARE(registersOf(identity), QVector<quint16>({0xDEAD, 0xBEEF}));
    QCOMPARE(registersOf(transact(readRequest(1, 4, concentrationBase + 5, 1))),
             QVector<quint16>({777}));
    QCOMPARE(sim_->requestCount(), 3);
}

void TestSimulator::writeChangesRegistersAndLog()
{
    sim_ = started();
    const QByteArray reply = transact(writeRequest(1, 60, {1, 2, 0xFFFF}));
    QCOMPARE(reply, withCrc(QByteArray("\x01\x10\x00\x3C\x00\x03", 6)));
    QCOMPARE(sim_->holdingRegister(60), quint16(1));
    QCOMPARE(sim_->holdingRegister(62), quint16(0xFFFF));
    const QVector<RegisterWrite> expected = {{60, 1}, {61, 2}, {62, 0xFFFF}};
    QVERIFY(sim_->writeLog() == expected);
    QVERIFY(sim_->commandLog().isEmpty());
    sim_->clearLogs();
    QVERIFY(sim_->writeLog().isEmpty());
}

void TestSimulator::commandsSetIdentity()
{
    sim_ = started();
    for (const auto &command :
         QVector<QPair<quint16, quint16>>{{0x0012, 38}, {0x3456, 37}, {0x0102, 39}, {7, 48}}) {
        QVERIFY(crcValid(transact(writeRequest(1, 33, {command.first}))));
        QVERIFY(crcValid(transact(writeRequest(1, 32, {command.second}))));
    }
    QCOMPARE(sim_->factoryNumber(), quint32(0x00123456));
    QCOMPARE(registersOf(transact(readRequest(1, 4, 1, 2))), QVector<quint16>({0x0012, 0x3456}));
    QCOMPARE(sim_->holdingRegister(7), quint16(0x0102));
    QCOMPARE(sim_->commandLog(), QVector<int>({38, 37, 39, 48}));
    QCOMPARE(sim_->writeLog().size(), 8);
}

void TestSimulator::clockRunsFromWrittenValue()
{
    sim_ = started();
    const QDateTime local = QDateTime::currentDateTime();
    const qint64 wallAsUtc = local.toSecsSinceEpoch() + local.offsetFromUtc();
    const QVector<quint16> clock = registersOf(transact(readRequest(1, 3, 1, 2)));
    QCOMPARE(clock.size(), 2);
    QVERIFY(qAbs((qint64(clock[1]) << 16 | clock[0]) - wallAsUtc) <= 2);

    const quint32 written = 0x12345678;
    QVERIFY(crcValid(transact(writeRequest(1, 1, {quint16(written), quint16(written >> 16)}))));
    const QVector<quint16> after = registersOf(transact(readRequest(1, 3, 1, 2)));
    const quint32 now = quint32(after[1]) << 16 | after[0];
    QVERIFY(now >= written && now <= written + 2);
}

void TestSimulator::foreignBrokenAndUnknownRequests()
{
    sim_ = started();
    QByteArray broken = readRequest(1, 3, 0, 4);
    broken[7] = char(broken[7] ^ 0x01);
    for (const QByteArray &request :
         {readRequest(2, 3, 0, 4), broken, QByteArray("\x01\x03\x00", 3)}) {
        client_->send(request);
        QVERIFY(client_->receive(300).isEmpty());
    }
    QVERIFY(crcValid(transact(readRequest(1, 3, 0, 4))));
    QCOMPARE(sim_->requestCount(), 3);

    // Write single register is no function of the controller.
    const quint16 before = sim_->holdingRegister(4);
    QCOMPARE(transact(readRequest(1, 6, 4, 5)), withCrc(QByteArray("\x01\x86\x01", 3)));
    QCOMPARE(sim_->holdingRegister(4), before);
}

void TestSimulator::replyFaults_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("function");
    QTest::newRow("none") << Fault::None << 9 << true << 3;
    QTest::newRow("bad crc") << Fault::BadCrc << 9 << false << 3;
    QTest::newRow("exception") << Fault::ExceptionReply << 5 << true << 0x83;
    QTest::newRow("overlong") << Fault::OverlongReply << 1500 << true << 3;
    QTest::newRow("no reply") << Fault::NoReply << 0 << false << 0;
    QTest::newRow("short read") << Fault::ShortRead << 7 << true << 3;
    QTest::newRow("wrong byte count") << Fault::WrongByteCount << 9 << true << 3;
    QTest::newRow("wrong slave") << Fault::WrongSlave << 9 << true << 3;
    QTest::newRow("wrong function") << Fault::WrongFunction << 9 << true << 4;
}

void TestSimulator::replyFaults()
{
    QFETCH(Fault, fault);
    QFETCH(int, size);
    QFETCH(bool, valid);
    QFETCH(int, function);
    sim_ = started();
    sim_->setFault(fault, 1);
    QVERIFY(crcValid(transact(readRequest(1, 3, 50, 2))));
    const QByteArray reply = transact(readRequest(1, 3, 50, 2));
    QCOMPARE(reply.size(), size);
    QCOMPARE(crcValid(reply), valid);
    if (size > 0)
        QCOMPARE(quint8(reply[1]), quint8(function));
    QVERIFY(crcValid(transact(readRequest(1, 3, 50, 2))));
}

void TestSimulator::piecesWithGaps_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("minGapMs");
    QTest::addColumn<int>("maxGapMs");
    QTest::newRow("short gaps") << Fault::PiecesShortGaps << 15 << 49;
    QTest::newRow("long gaps") << Fault::PiecesLongGaps << 75 << 400;
}

void TestSimulator::piecesWithGaps()
{
    QFETCH(Fault, fault);
    QFETCH(int, minGapMs);
    QFETCH(int, maxGapMs);
    sim_ = started();
    sim_->setFault(fault);
    client_->send(readRequest(1, 3, 50, 10));
    const QVector<PtyClient::Piece> pieces = client_->receivePieces(1000, 200);
    QCOMPARE(pieces.size(), 3);
    QByteArray reply;
    for (int i = 0; i < pieces.size(); ++i) {
        reply += pieces[i].bytes;
        if (i > 0) {
            const qint64 gap = pieces[i].atMs - pieces[i - 1].atMs;
            QVERIFY2(gap >= minGapMs && gap <= maxGapMs, qPrintable(QString::number(gap)));
        }
    }
    QCOMPARE(reply.size(), 25);
    QVERIFY(crcValid(reply));
}

void TestSimulator::stopAnsweringUntilCleared()
{
    sim_ = started();
    sim_->setFault(Fault::StopAnswering, 2);
    for (int i = 0; i < 2; ++i)
        QVERIFY(crcValid(transact(readRequest(1, 3, 0, 1))));
    for (int i = 0; i < 3; ++i) {
        client_->send(readRequest(1, 3, 0, 1));
        QVERIFY(client_->receive(200).isEmpty());
    }
    sim_->setFault(Fault::None);
    QVERIFY(crcValid(transact(readRequest(1, 3, 0, 1))));
}

void TestSimulator::bytesSentToClosedPortAreLost()
{
    sim_ = started();
    sim_->setFault(Fault::PiecesLongGaps, 0, 100);
    client_->send(readRequest(1, 3, 50, 10));
    const QByteArray firstPiece = client_->receive(500, 50);
    QVERIFY(!firstPiece.isEmpty() && firstPiece.size() < 25);
    client_.reset();
    QThread::msleep(300);
    client_ = std::make_unique<PtyClient>(sim_->portPath());
    QVERIFY(client_->receive(100).isEmpty());
    const QByteArray reply = transact(readRequest(1, 3, 50, 10));
    QCOMPARE(reply.size(), 25);
    QVERIFY(crcValid(reply));
}

void TestSimulator::endlessLineEnds()
{
    sim_ = started();
    sim_->setFault(Fault::EndlessLine, 0, 300);
    QElapsedTimer clock;
    clock.start();
    client_->send(readRequest(1, 3, 0, 1));
    const QByteArray bytes = client_->receive(500, 50);
    QVERIFY(clock.elapsed() >= 280);
    QVERIFY(bytes.size() > 7 + 10);
    QVERIFY(crcValid(bytes.left(7)));
}

void TestSimulator::uploadsArchiveFile()
{
    QTemporaryDir folder;
    QByteArray archive(100 * 16, '\0');
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(archive.data()),
                                          archive.size() / 4);
    QFile file(folder.filePath("chan03.arh"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(archive) == archive.size());
    file.close();
    Simulator::Options options;
    options.archiveDir = folder.path();
    sim_ = started(options);

    startUpload(3);
    QByteArray data;
    download(&data);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(data.size(), 2048);
    QCOMPARE(data.left(archive.size()), archive);
    QCOMPARE(data.mid(archive.size()), QByteArray(2048 - archive.size(), '\0'));
    QCOMPARE(sim_->completedUploads(), 1);
    QVERIFY(crcValid(transact(readRequest(1, 3, 0, 1))));
}

void TestSimulator::generatedArchiveHoldsValidRecords()
{
    Simulator::Options options;
    options.generatedRecords = 130;
    sim_ = started(options);
    startUpload(0);
    QByteArray data;
    download(&data);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(data.size(), 3 * 1024);
    quint32 previous = 0;
    for (int r = 0; r < 192; ++r) {
        const QByteArray record = data.mid(16 * r, 16);
        QCOMPARE(record[0] == 'Z', r < 130);
        if (r >= 130)
            continue;
        const quint32 time = qFromLittleEndian<quint32>(record.constData() + 4);
        QVERIFY(time > previous);
        QVERIFY(quint8(record[1]) <= 64 && quint8(record[2]) < 14);
        previous = time;
    }
}

void TestSimulator::xmodemFaultsHandLineBackToModbus_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("size");
    QTest::addColumn<char>("start");
    QTest::addColumn<bool>("crcGood");
    QTest::newRow("eot at once") << Fault::XmEotAtOnce << 1 << kEot << true;
    QTest::newRow("bad crc") << Fault::XmBadBlockCrc << 1029 << kStx << false;
    QTest::newRow("short block") << Fault::XmShortBlock << 133 << char(0x01) << true;
    QTest::newRow("stray bytes") << Fault::XmStrayBytes << 1032 << kStx << true;
    QTest::newRow("silence") << Fault::XmSilence << 0 << char(0) << false;
}

void TestSimulator::xmodemFaultsHandLineBackToModbus()
{
    QFETCH(Fault, fault);
    QFETCH(int, size);
    QFETCH(char, start);
    QFETCH(bool, crcGood);
    sim_ = started();
    sim_->setFault(fault);
    startUpload(1);
    if (QTest::currentTestFailed())
        return;
    const QByteArray reply = client_->receive(500, 100);
    QCOMPARE(reply.size(), size);
    if (size > 1) {
        QCOMPARE(reply[0], start);
        const int dataSize = size == 133 ? 128 : 1024;
        const int sent = quint8(reply[3 + dataSize]) << 8 | quint8(reply[4 + dataSize]);
        QCOMPARE(sent == Crc16::xmodem(reply.mid(3, dataSize)), crcGood);
    } else if (size == 1) {
        QCOMPARE(reply[0], start);
    }
    // The tool gives up without a word and goes back to Modbus.
    QVERIFY(crcValid(transact(readRequest(1, 3, 0, 1))));
    QVERIFY(!sim_->archiveUploadActive());
    QCOMPARE(sim_->completedUploads(), 0);
}

void TestSimulator::initialImageMarksForeignRegisters()
{
    for (const int deviceType : {32, 64}) {
        Simulator::Options options;
        options.deviceType = deviceType;
        Simulator simulator(options);
        const int masksEnd = deviceType == 32 ? 18 : 24;
        QVector<int> foreign = {0, 3, 4, 5, 6, 8, 9, 10, 11};
        for (int a = masksEnd; a < 50; ++a) {
            if (a != 32 && a != 33)
                foreign << a;
        }
        for (int c = 0; c < 64; ++c) {
            for (const int offset : {0, 30, 32, 39, 40, 41, 42, 43, 44})
                foreign << 50 * (c + 1) + offset;
        }
        QSet<quint16> values;
        for (const int a : foreign)
            values.insert(simulator.holdingRegister(a));
        QCOMPARE(values.size(), foreign.size());
        QVERIFY(!values.contains(0));

        // Channel index 0 is on, tagged CH01, its module at address 1; the last channel is on.
        QCOMPARE(simulator.holdingRegister(12) & 1, 1);
        QCOMPARE(simulator.holdingRegister(72), quint16('C' | 'H' << 8));
        QCOMPARE(simulator.holdingRegister(73), quint16('0' | '1' << 8));
        QCOMPARE(simulator.holdingRegister(95) >> 8, 1);
        const int lastMaskWord = 12 + (deviceType / 16) - 1;
        QCOMPARE(simulator.holdingRegister(lastMaskWord) >> 15, 1);
    }
}

void TestSimulator::stateSurvivesRestart()
{
    QTemporaryDir folder;
    Simulator::Options options;
    options.stateFile = folder.filePath("state.bin");
    sim_ = started(options);
    QVERIFY(crcValid(transact(writeRequest(1, 3000, {0x4242}))));
    QVERIFY(crcValid(transact(writeRequest(1, 33, {0x0077}))));
    QVERIFY(crcValid(transact(writeRequest(1, 32, {38}))));
    QVERIFY(!QFile::exists(options.stateFile));
    QVERIFY(crcValid(transact(writeRequest(1, 32, {16}))));
    QVERIFY(QFile::exists(options.stateFile));

    const Simulator restarted(options);
    QCOMPARE(restarted.holdingRegister(3000), quint16(0x4242));
    QCOMPARE(restarted.factoryNumber() >> 16, quint32(0x0077));
    options.stateFile.clear();
    QVERIFY(Simulator(options).holdingRegister(3000) != 0x4242);
}

void TestSimulator::pacedRepliesTakeWireTime()
{
    Simulator::Options options;
    options.paceBaud = 9600;
    sim_ = started(options);
    QElapsedTimer clock;
    clock.start();
    client_->send(readRequest(1, 3, 50, 100));
    const QByteArray reply = client_->receiveCount(205);
    QCOMPARE(reply.size(), 205);
    // 205 characters of 10 bits at 9600 baud.
    QVERIFY2(clock.elapsed() >= 200, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(crcValid(reply));
}

void TestSimulator::linkFollowsPort()
{
    QTemporaryDir folder;
    Simulator::Options options;
    options.linkPath = folder.filePath("tq17");
    sim_ = started(options);
    QCOMPARE(QFileInfo(options.linkPath).symLinkTarget(), sim_->portPath());
    QVERIFY(crcValid(transact(readRequest(1, 3, 0, 1))));
    sim_->stop();
    QVERIFY(!QFileInfo(options.linkPath).isSymLink());
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
