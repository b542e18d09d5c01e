// Frames and messages of the wire protocol: what is written reads back, and anything else is
// refused with ERemoteProtocol rather than crashing or being half understood.

#include "RemoteProtocol.h"

#include <QCborStreamWriter>
#include <QTest>

using namespace Remote;

class TstRemoteProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void messagesRoundTrip() {
        const Variant array = Variant::ArrayOf({Variant("一年甲班"), Variant(3), Variant::Null()});
        const std::vector<TMessage> messages{
            TMessage::Hello(),
            TMessage::Welcome(true),
            TMessage::Create(QStringLiteral("SrvJobSecurity.SecurityINTF")),
            TMessage::Created(7),
            TMessage::Invoke(7, 10, QStringLiteral("Login"),
                             {Variant("ADMIN"), Variant(QByteArray("\0\1", 2)), array}),
            TMessage::Result(Variant(true), {{2, Variant("密碼錯誤")}, {0, Variant()}}),
            TMessage::Error(QStringLiteral("帳號或密碼錯誤")),
            TMessage::Release(7),
            TMessage::Released(),
        };
        for (const TMessage &m : messages) {
            const TMessage back = DecodeMessage(EncodeMessage(m));
            QCOMPARE(int(back.Kind), int(m.Kind));
            QCOMPARE(back.Version, m.Version);
            QCOMPARE(back.StartTls, m.StartTls);
            QCOMPARE(back.Text, m.Text);
            QCOMPARE(back.Handle, m.Handle);
            QCOMPARE(back.DispId, m.DispId);
            QCOMPARE(back.Args.size(), m.Args.size());
            for (size_t i = 0; i < m.Args.size(); ++i)
                QVERIFY(back.Args[i] == m.Args[i]);
            QVERIFY(back.ReturnValue == m.ReturnValue);
            QCOMPARE(back.Outputs.size(), m.Outputs.size());
            for (size_t i = 0; i < m.Outputs.size(); ++i) {
                QCOMPARE(back.Outputs[i].first, m.Outputs[i].first);
                QCOMPARE(int(back.Outputs[i].second.VarType()), int(m.Outputs[i].second.VarType()));
            }
        }
    }

    // Session tickets: presented in a Session frame, issued or ended in a call's reply; a
    // refusal for want of one carries its code.
    void sessionTicketsTravelInTheirFrames() {
        const QByteArray ticket(Remote::TicketSize, '\x5a');
        TMessage session = DecodeMessage(EncodeMessage(TMessage::Session(ticket)));
        QCOMPARE(int(session.Kind), int(Remote::TMessageKind::Session));
        QCOMPARE(session.Ticket, ticket);
        QVERIFY(DecodeMessage(EncodeMessage(TMessage::Session(QByteArray()))).Ticket.isEmpty());

        TMessage issued = TMessage::Result(Variant(true), {{2, Variant("")}});
        issued.TicketChange = Remote::TTicketChange::Issued;
        issued.Ticket = ticket;
        TMessage back = DecodeMessage(EncodeMessage(issued));
        QCOMPARE(int(back.TicketChange), int(Remote::TTicketChange::Issued));
        QCOMPARE(back.Ticket, ticket);
        QCOMPARE(back.Outputs.size(), size_t(1));
        TMessage ended = TMessage::Result(Variant(), {});
        ended.TicketChange = Remote::TTicketChange::Ended;
        QCOMPARE(int(DecodeMessage(EncodeMessage(ended)).TicketChange),
                 int(Remote::TTicketChange::Ended));
        QCOMPARE(int(DecodeMessage(EncodeMessage(TMessage::Result(Variant(), {}))).TicketChange),
                 int(Remote::TTicketChange::None));

        const TMessage refused = DecodeMessage(
            EncodeMessage(TMessage::Error("尚未登入或登入已逾時", Remote::ErrorSignInRequired)));
        QCOMPARE(refused.Code, Remote::ErrorSignInRequired);
        QCOMPARE(refused.Text, QStringLiteral("尚未登入或登入已逾時"));
        QCOMPARE(DecodeMessage(EncodeMessage(TMessage::Error("x"))).Code, 0);

        // A ticket longer than any the server issues is malformed, in either direction.
        QVERIFY_THROWS_EXCEPTION(
            ERemoteProtocol, DecodeMessage(EncodeMessage(
                                 TMessage::Session(QByteArray(Remote::MaxTicketBytes + 1, 'x')))));
        issued.Ticket = QByteArray(Remote::MaxTicketBytes + 1, 'x');
        QVERIFY_THROWS_EXCEPTION(ERemoteProtocol, DecodeMessage(EncodeMessage(issued)));
        issued.Ticket.clear(); // an "issued" ticket that is empty
        QVERIFY_THROWS_EXCEPTION(ERemoteProtocol, DecodeMessage(EncodeMessage(issued)));
    }

    void framesArriveInAnyPieces() {
        QByteArray stream;
        for (int i = 1; i <= 3; ++i)
            stream += EncodeFrame(TMessage::Created(i));
        TFrameDecoder decoder;
        QList<int> handles;
        QByteArray payload;
        for (char c : stream) {
            decoder.Append(QByteArray(1, c));
            while (decoder.Next(payload))
                handles << DecodeMessage(payload).Handle;
        }
        QCOMPARE(handles, QList<int>({1, 2, 3}));
        QCOMPARE(decoder.Buffered(), 0);
    }

    void oversizeFrameIsRefusedBeforeItArrives() {
        TFrameDecoder decoder(1024);
        decoder.Append(QByteArray::fromHex("00000401")); // 1025 bytes announced
        QByteArray payload;
        QVERIFY_THROWS_EXCEPTION(ERemoteProtocol, decoder.Next(payload));

        TFrameDecoder exact(4);
        exact.Append(MakeFrame("abcd"));
        QVERIFY(exact.Next(payload));
        QCOMPARE(payload, QByteArray("abcd"));
    }

    void malformedPayloads_data() {
        QTest::addColumn<QByteArray>("payload");
        auto cbor = [](auto write) {
            QByteArray out;
            QCborStreamWriter w(&out);
            write(w);
            return out;
        };
        const QByteArray invoke = EncodeMessage(TMessage::Invoke(1, 2, "x", {Variant(1)}));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not an array") << cbor([](QCborStreamWriter &w) { w.append(5); });
        QTest::newRow("empty array") << cbor([](QCborStreamWriter &w) {
            w.startArray(0);
            w.endArray();
        });
        QTest::newRow("unknown kind") << cbor([](QCborStreamWriter &w) {
            w.startArray(1);
            w.append(42);
            w.endArray();
        });
        QTest::newRow("wrong magic") << cbor([](QCborStreamWriter &w) {
            w.startArray(3);
            w.append(1);
            w.append(QLatin1StringView("HTTP"));
            w.append(1);
            w.endArray();
        });
        QTest::newRow("text for a handle") << cbor([](QCborStreamWriter &w) {
            w.startArray(2);
            w.append(4);
            w.append(QLatin1StringView("7"));
            w.endArray();
        });
        QTest::newRow("handle beyond 32 bits") << cbor([](QCborStreamWriter &w) {
            w.startArray(2);
            w.append(8);
            w.append(qint64(1) << 40);
            w.endArray();
        });
        QTest::newRow("extra element") << cbor([](QCborStreamWriter &w) {
            w.startArray(2);
            w.append(9);
            w.append(1);
            w.endArray();
        });
        QTest::newRow("missing element") << cbor([](QCborStreamWriter &w) {
            w.startArray(1);
            w.append(3);
            w.endArray();
        });
        QTest::newRow("negative output index") << cbor([](QCborStreamWriter &w) {
            w.startArray(3);
            w.append(6);
            w.append(true);
            w.startArray(1);
            w.startArray(2);
            w.append(-1);
            w.append(1);
            w.endArray();
            w.endArray();
            w.endArray();
        });
        QTest::newRow("truncated") << invoke.left(invoke.size() - 1);
        QTest::newRow("trailing bytes") << invoke + QByteArray(1, '\0');
        QTest::newRow("unknown value tag") << cbor([](QCborStreamWriter &w) {
            w.startArray(3);
            w.append(6);
            w.append(QCborTag(99999));
            w.append(1);
            w.startArray(0);
            w.endArray();
            w.endArray();
        });
    }
    void malformedPayloads() {
        QFETCH(QByteArray, payload);
        QVERIFY_THROWS_EXCEPTION(ERemoteProtocol, DecodeMessage(payload));
    }
};

QTEST_GUILESS_MAIN(TstRemoteProtocol)
#include "tst_RemoteProtocol.moc"
