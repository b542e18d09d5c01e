#include "ClientCommandText.h"

#include "RemoteProtocol.h"

namespace {

bool IsNameStart(QChar c) {
    return c.isLetter() || c == u'_';
}

bool IsNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// The end (one past) of the quoted text that starts at sql[from] with quote; backslashes
// escape the next character when escapes is set. -1 when the quote is not closed.
qsizetype QuoteEnd(const QString &sql, qsizetype from, QChar quote, bool escapes) {
    for (qsizetype i = from + 1; i < sql.size(); ++i) {
        if (escapes && sql[i] == u'\\') {
            ++i;
        } else if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote)
                ++i; // doubled: part of the text
            else
                return i + 1;
        }
    }
    return -1;
}

// The tag of a dollar quote starting at sql[from] ("$$" or "$name$"), or an empty string.
QString DollarTag(const QString &sql, qsizetype from) {
    qsizetype i = from + 1;
    if (i < sql.size() && sql[i] != u'$') {
        if (!IsNameStart(sql[i]))
            return QString();
        while (i < sql.size() && (sql[i].isLetterOrNumber() || sql[i] == u'_'))
            ++i;
    }
    if (i >= sql.size() || sql[i] != u'$')
        return QString();
    return sql.mid(from, i - from + 1);
}

// The end (one past) of the comment starting at sql[from]; -1 when a block is not closed.
qsizetype CommentEnd(const QString &sql, qsizetype from) {
    if (sql[from] == u'-') {
        const qsizetype eol = sql.indexOf(u'\n', from);
        return eol < 0 ? sql.size() : eol + 1;
    }
    int depth = 0; // block comments nest
    for (qsizetype i = from; i + 1 < sql.size(); ++i) {
        if (sql[i] == u'/' && sql[i + 1] == u'*') {
            ++depth;
            ++i;
        } else if (sql[i] == u'*' && sql[i + 1] == u'/') {
            ++i;
            if (--depth == 0)
                return i + 1;
        }
    }
    return -1;
}

[[noreturn]] void Unterminated() {
    throw EServerError(QStringLiteral("The command text is not valid: a quote or a comment is "
                                      "not closed"));
}

} // namespace

void TClientCommandText::Split(
    const QString &sql,
    const std::function<void(TPiece, qsizetype from, qsizetype length)> &piece) {
    qsizetype code = 0; // start of the plain code not yet handed out
    const auto flush = [&](qsizetype upTo) {
        if (upTo > code)
            piece(TPiece::Code, code, upTo - code);
    };
    const auto emit = [&](TPiece kind, qsizetype from, qsizetype end) {
        flush(from);
        piece(kind, from, end - from);
        code = end;
    };
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        const QChar next = i + 1 < sql.size() ? sql[i + 1] : QChar();
        const bool afterName = i > 0 && IsNameChar(sql[i - 1]);
        if (c == u'\'' || c == u'"') {
            // E'...' (not the end of a longer name) takes backslash escapes.
            const bool escaped = c == u'\'' && i > 0 &&
                                 (sql[i - 1] == u'E' || sql[i - 1] == u'e') &&
                                 !(i > 1 && IsNameChar(sql[i - 2]));
            const qsizetype end = QuoteEnd(sql, i, c, escaped);
            if (end < 0)
                Unterminated();
            emit(TPiece::Quoted, i, end);
            i = end;
        } else if (c == u'$' && !afterName && !DollarTag(sql, i).isEmpty()) {
            const QString tag = DollarTag(sql, i);
            const qsizetype close = sql.indexOf(tag, i + tag.size());
            if (close < 0)
                Unterminated();
            emit(TPiece::Quoted, i, close + tag.size());
            i = close + tag.size();
        } else if ((c == u'-' && next == u'-') || (c == u'/' && next == u'*')) {
            const qsizetype end = CommentEnd(sql, i);
            if (end < 0)
                Unterminated();
            emit(TPiece::Comment, i, end);
            i = end;
        } else if (c == u';') {
            emit(TPiece::Separator, i, i + 1);
            ++i;
        } else if (c == u'?') {
            emit(TPiece::Positional, i, i + 1);
            ++i;
        } else if (c == u':' && next == u':') {
            i += 2; // a cast
        } else if (c == u':' && IsNameStart(next)) {
            qsizetype end = i + 1;
            while (end < sql.size() && (sql[end].isLetterOrNumber() || sql[end] == u'_'))
                ++end;
            emit(TPiece::Named, i, end);
            i = end;
        } else {
            ++i;
        }
    }
    flush(sql.size());
}

void TClientCommandText::CheckQuery(const QString &sql) {
    bool ended = false;
    QString first; // the first word of the statement
    bool started = false;
    Split(sql, [&](TPiece kind, qsizetype from, qsizetype length) {
        const QStringView text = QStringView(sql).mid(from, length);
        if (kind == TPiece::Comment)
            throw EServerError(QStringLiteral("A command text may not hold comments"));
        if (kind == TPiece::Separator) {
            ended = started;
            return;
        }
        if (kind == TPiece::Code && text.trimmed().isEmpty())
            return;
        if (ended)
            throw EServerError(QStringLiteral("A command text must be one statement"));
        if (!started) {
            started = true;
            const QStringView code = text.trimmed();
            if (kind == TPiece::Code && code.startsWith(u'(')) {
                first = QStringLiteral("(");
            } else if (kind == TPiece::Code) {
                qsizetype n = 0;
                while (n < code.size() && IsNameChar(code[n]))
                    ++n;
                first = code.left(n).toString().toUpper();
            }
        }
    });
    if (!started)
        throw EServerError(QStringLiteral("The command text is empty"));
    static const QStringList queries{QStringLiteral("SELECT"), QStringLiteral("WITH"),
                                     QStringLiteral("VALUES"), QStringLiteral("TABLE"),
                                     QStringLiteral("(")};
    if (!queries.contains(first))
        throw EServerError(QStringLiteral("A command text may only read data"));
}

QString TClientCommandText::Inline(const QString &sql, const QVariantList &positional,
                                   const QVariantMap &named,
                                   const std::function<QString(const QVariant &)> &literal) {
    QString out;
    out.reserve(sql.size());
    qsizetype next = 0;
    Split(sql, [&](TPiece kind, qsizetype from, qsizetype length) {
        const QStringView text = QStringView(sql).mid(from, length);
        if (kind == TPiece::Positional) {
            if (next >= positional.size())
                throw EServerError(QStringLiteral("The command text has more parameters than "
                                                  "values"));
            out += literal(positional[next++]);
        } else if (kind == TPiece::Named) {
            const QString name = text.mid(1).toString();
            auto it = named.constBegin();
            while (it != named.constEnd() && it.key().compare(name, Qt::CaseInsensitive) != 0)
                ++it;
            if (it == named.constEnd())
                throw EServerError(
                    QStringLiteral("The command text's parameter %1 has no value").arg(name));
            out += literal(it.value());
        } else if (kind == TPiece::Separator) {
            // Only ever at the end of a checked text: the statement goes on inside another.
        } else {
            out += text;
        }
    });
    return out;
}
