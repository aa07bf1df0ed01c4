#pragma once
// Text files as the text window reads and writes them: Windows-1252 or UTF-8, CR LF lines.

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace zantrel {

enum class TextEncoding { Windows1252, Utf8, Utf8WithBom };

// The code of c in Windows-1252, or -1 when the code page lacks it. The five codes
// the page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls
// of the same number, so every byte survives a decode and encode.
int Windows1252Code(QChar c);
QChar FromWindows1252(unsigned char code);

QString DecodeWindows1252(const QByteArray& bytes);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const QByteArray& bytes);

struct TextFileContent {
    QString Text;  // lines ended by '\n', as the edit control shows them
    TextEncoding Encoding = TextEncoding::Windows1252;
};

// UTF-8 when the bytes are valid UTF-8 and hold a byte above 0x7F (a BOM counts),
// otherwise Windows-1252. CR LF, a lone CR and a lone LF each end a line.
TextFileContent DecodeTextFile(const QByteArray& bytes);

// Each line of text followed by CR LF; a final '\n' ends the last line rather than
// starting an empty one. Text that Windows-1252 cannot hold is written as UTF-8
// instead, and encoding is changed to say so: nothing typed is lost.
QByteArray EncodeTextFile(const QString& text, TextEncoding& encoding);

// The document's characters, blocks joined by '\n'. Unlike toPlainText it keeps
// no-break spaces as they are.
QString PlainText(const QTextDocument& document);

}  // namespace zantrel
