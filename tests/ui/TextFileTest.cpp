// Reading and writing text files: encodings and line ends, byte for byte.

#include <QTest>

#include "tests/ui/UiTests.h"
#include "ui/TextFile.h"

namespace zantrel {

class TextFileTest : public QObject {
    Q_OBJECT

    static QByteArray RoundTrip(const QByteArray& bytes, TextEncoding* seen = nullptr) {
        const TextFileContent content = DecodeTextFile(bytes);
        TextEncoding encoding = content.Encoding;
        if (seen) *seen = encoding;
        return EncodeTextFile(content.Text, encoding);
    }

private slots:
    // Every byte value, the five codes the page leaves undefined included.
    void windows1252SurvivesEveryByte() {
        QByteArray bytes;
        for (int code = 1; code < 256; ++code) {
            if (code == '\r' || code == '\n') continue;
            bytes += char(code);
        }
        bytes += "\r\n";
        TextEncoding seen;
        QCOMPARE(RoundTrip(bytes, &seen), bytes);
        QCOMPARE(seen, TextEncoding::Windows1252);
    }

    void windows1252ShowsTheReportSymbols() {
        // Å, ±, €, en dash and ° as a report holds them.
        const QByteArray bytes = "a = 5.4309 \xC5 \xB1 0.0001 \x80 \x96 \xB0\r\n";
        const TextFileContent content = DecodeTextFile(bytes);
        QCOMPARE(content.Text, QString::fromUtf8("a = 5.4309 Å ± 0.0001 € – °\n"));
    }

    void utf8IsTakenWhenValidAndNotAscii() {
        const QByteArray bytes = QString::fromUtf8("α = 90.000 °\r\nÅ\r\n").toUtf8();
        TextEncoding seen;
        QCOMPARE(RoundTrip(bytes, &seen), bytes);
        QCOMPARE(seen, TextEncoding::Utf8);
        QCOMPARE(DecodeTextFile(bytes).Text, QString::fromUtf8("α = 90.000 °\nÅ\n"));
    }

    void utf8ByteOrderMarkIsKeptButNotShown() {
        const QByteArray bytes = "\xEF\xBB\xBFplain\r\n";
        const TextFileContent content = DecodeTextFile(bytes);
        QCOMPARE(content.Text, QStringLiteral("plain\n"));
        QCOMPARE(RoundTrip(bytes), bytes);
    }

    // Each is Windows-1252 text that a loose decoder would take for UTF-8:
    // an overlong slash, a surrogate, a sequence cut off by the end of the file.
    void invalidUtf8FallsBackToWindows1252() {
        const std::pair<QByteArray, QByteArray> cases[] = {
            {"\xC0\xAF\r\n", "\xC0\xAF\r\n"},
            {"\xED\xA0\x80\r\n", "\xED\xA0\x80\r\n"},
            {"ab\xC3", "ab\xC3\r\n"}};
        for (const auto& [bytes, saved] : cases) {
            TextEncoding seen;
            QCOMPARE(RoundTrip(bytes, &seen), saved);
            QCOMPARE(seen, TextEncoding::Windows1252);
        }
    }

    // CR LF, lone CR and lone LF all end lines; saving writes CR LF after every line,
    // the last one too, and adds no empty line.
    void everyLineIsSavedWithCrLf() {
        QCOMPARE(RoundTrip("a\nb\rc\r\nd"), QByteArray("a\r\nb\r\nc\r\nd\r\n"));
        QCOMPARE(RoundTrip("a\r\n\r\n"), QByteArray("a\r\n\r\n"));
        QCOMPARE(RoundTrip(""), QByteArray());
        TextEncoding encoding = TextEncoding::Windows1252;
        QCOMPARE(EncodeTextFile("x\n\ny", encoding), QByteArray("x\r\n\r\ny\r\n"));
    }

    // A character Windows-1252 lacks turns the file into UTF-8 rather than a '?'.
    void textOutsideWindows1252IsSavedAsUtf8() {
        TextEncoding encoding = TextEncoding::Windows1252;
        const QString text = QString::fromUtf8("Å λ\n");
        const QByteArray bytes = EncodeTextFile(text, encoding);
        QCOMPARE(encoding, TextEncoding::Utf8);
        QCOMPARE(DecodeTextFile(bytes).Text, text);
    }
};

int RunTextFileTests(int argc, char** argv) {
    TextFileTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zantrel

#include "TextFileTest.moc"
