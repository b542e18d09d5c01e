#pragma once
// TClientCommandText: the command texts that clients send, read the way PostgreSQL reads SQL:
// quoted text ('...' with '' inside, E'...' with backslash escapes, $tag$...$tag$), quoted
// names ("..."), comments, statement separators, and parameters written ? or :Name (a "::"
// cast is no parameter). The server uses it to refuse a text that is not exactly one query
// before the database sees it, and to write the values of a client's parameters into the text
// as literals, so that the text can travel as one value to the database's own guard.

#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

class TClientCommandText {
public:
    // Raises EServerError unless sql is one statement that starts as a query (SELECT, WITH,
    // VALUES, TABLE or a parenthesis) and holds no comment; semicolons may only close it.
    static void CheckQuery(const QString &sql);

    // The text, checked by CheckQuery, with every ? replaced by the next positional value and
    // every :Name by the value of Name (names compare without case), each written by literal(),
    // and the closing semicolons left out. Raises EServerError for a parameter without a value.
    static QString Inline(const QString &sql, const QVariantList &positional,
                          const QVariantMap &named,
                          const std::function<QString(const QVariant &)> &literal);

private:
    enum class TPiece { Code, Quoted, Comment, Separator, Positional, Named };
    // Calls piece() for each part of the text in order; stops with EServerError at an
    // unterminated quote or comment.
    static void Split(const QString &sql,
                      const std::function<void(TPiece, qsizetype from, qsizetype length)> &piece);
};
