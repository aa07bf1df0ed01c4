#include "ui/TextFile.h"

#include <algorithm>
#include <string_view>

#include <QTextDocument>

#include "export/Windows1252.h"

namespace zantrel {

namespace {

constexpr char Utf8Bom[] = "\xEF\xBB\xBF";

}  // namespace

// Every character of the code page lies in the Basic Multilingual Plane.
QChar FromWindows1252(unsigned char code) { return QChar(char16_t(Windows1252ToCodePoint(code))); }

// A lone surrogate half is no character of the code page.
int Windows1252Code(QChar c) { return c.isSurrogate() ? -1 : CodePointToWindows1252(c.unicode()); }

QString DecodeWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) text[i] = FromWindows1252(uchar(bytes[i]));
    return text;
}

bool IsValidUtf8(const QByteArray& bytes) {
    return zantrel::IsValidUtf8(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

TextFileContent DecodeTextFile(const QByteArray& bytes) {
    TextFileContent content;
    QString raw;
    const bool hasHighByte =
        std::any_of(bytes.begin(), bytes.end(), [](char b) { return uchar(b) >= 0x80; });
    if (hasHighByte && IsValidUtf8(bytes)) {
        if (bytes.startsWith(Utf8Bom)) {
            content.Encoding = TextEncoding::Utf8WithBom;
            raw = QString::fromUtf8(bytes.mid(3));
        } else {
            content.Encoding = TextEncoding::Utf8;
            raw = QString::fromUtf8(bytes);
        }
    } else {
        content.Encoding = TextEncoding::Windows1252;
        raw = DecodeWindows1252(bytes);
    }

    QString& text = content.Text;
    text.reserve(raw.size() + 1);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'\r') {
            if (i + 1 < raw.size() && raw[i + 1] == u'\n') ++i;
            text += u'\n';
        } else {
            text += raw[i];
        }
    }
    if (!text.isEmpty() && !text.endsWith(u'\n')) text += u'\n';
    return content;
}

QByteArray EncodeTextFile(const QString& text, TextEncoding& encoding) {
    QString lines;
    lines.reserve(text.size() + text.size() / 32 + 2);
    for (const QChar c : text) {
        if (c == u'\n') lines += u'\r';
        lines += c;
    }
    if (!text.isEmpty() && !text.endsWith(u'\n')) lines += QStringLiteral("\r\n");

    if (encoding == TextEncoding::Windows1252) {
        QByteArray bytes(lines.size(), Qt::Uninitialized);
        bool complete = true;
        for (qsizetype i = 0; i < lines.size() && complete; ++i) {
            const int code = Windows1252Code(lines[i]);
            complete = code >= 0;
            bytes[i] = char(code);
        }
        if (complete) return bytes;
        encoding = TextEncoding::Utf8;
    }
    QByteArray bytes = lines.toUtf8();
    if (encoding == TextEncoding::Utf8WithBom) bytes.prepend(Utf8Bom);
    return bytes;
}

QString PlainText(const QTextDocument& document) {
    QString text = document.toRawText();
    for (QChar& c : text) {
        // Blocks are joined by U+2029; Shift+Enter puts a U+2028 inside a block.
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
    }
    return text;
}

}  // namespace zantrel
