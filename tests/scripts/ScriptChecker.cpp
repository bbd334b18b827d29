#include "ScriptChecker.h"

#include "common/TestFiles.h"

#include <cmath>

namespace {

struct Value {
    enum class Kind { Bad, Number, String, Clip } kind = Kind::Bad;
    double number = 0;
    QString text;
};

struct Token {
    enum class Kind { End, Name, Number, String, Symbol } kind = Kind::End;
    QString text;
};

class LineReader {
public:
    LineReader(const QString& line, int lineNumber, CheckedScript& result, QMap<QString, Value>& variables)
        : line_(line), lineNumber_(lineNumber), result_(result), variables_(variables) {
        Tokenize();
    }

    void Statement() {
        if (tokens_.empty())
            return;
        if (Peek().kind == Token::Kind::Name &&
            Peek().text.compare(QLatin1String("Return"), Qt::CaseInsensitive) == 0) {
            Next();
            const Value v = Expression();
            result_.returnsClip = v.kind == Value::Kind::Clip;
            if (v.kind != Value::Kind::Clip)
                Error(QStringLiteral("Return of something that is not a clip"));
        } else if (Peek().kind == Token::Kind::Name && PeekAt(1).text == QLatin1String("=")) {
            const QString name = Next().text;
            Next();
            const Value v = Expression();
            if (v.kind == Value::Kind::Bad)
                Error(QStringLiteral("no value for ") + name);
            variables_[name] = v;
            if (v.kind == Value::Kind::Number && v.number == std::floor(v.number))
                result_.numbers[name] = static_cast<int64_t>(v.number);
            if (v.kind == Value::Kind::String)
                result_.strings[name] = v.text;
        } else {
            Error(QStringLiteral("not an assignment nor a Return"));
        }
        if (Peek().kind != Token::Kind::End)
            Error(QStringLiteral("unexpected text after the statement: ") + Peek().text);
    }

private:
    void Error(const QString& text) {
        result_.errors << QStringLiteral("line %1: %2 (%3)").arg(lineNumber_).arg(text, line_);
    }

    void Tokenize() {
        qsizetype i = 0;
        const qsizetype n = line_.size();
        while (i < n) {
            const QChar c = line_.at(i);
            if (c.isSpace()) {
                ++i;
            } else if (c == QLatin1Char('#')) {
                break;
            } else if (line_.mid(i, 3) == QLatin1String("\"\"\"")) {
                const qsizetype close = line_.indexOf(QLatin1String("\"\"\""), i + 3);
                if (close < 0) {
                    Error(QStringLiteral("unterminated triple-quoted string"));
                    return;
                }
                tokens_.push_back({Token::Kind::String, line_.mid(i + 3, close - i - 3)});
                i = close + 3;
            } else if (c == QLatin1Char('"')) {
                const qsizetype close = line_.indexOf(QLatin1Char('"'), i + 1);
                if (close < 0) {
                    Error(QStringLiteral("unterminated string"));
                    return;
                }
                tokens_.push_back({Token::Kind::String, line_.mid(i + 1, close - i - 1)});
                i = close + 1;
            } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && line_.at(i + 1).isDigit())) {
                qsizetype j = i;
                while (j < n && (line_.at(j).isDigit() || line_.at(j) == QLatin1Char('.')))
                    ++j;
                tokens_.push_back({Token::Kind::Number, line_.mid(i, j - i)});
                i = j;
            } else if (c.isLetter() || c == QLatin1Char('_')) {
                qsizetype j = i;
                while (j < n && (line_.at(j).isLetterOrNumber() || line_.at(j) == QLatin1Char('_')))
                    ++j;
                tokens_.push_back({Token::Kind::Name, line_.mid(i, j - i)});
                i = j;
            } else if (QStringLiteral("=(),+-").contains(c)) {
                tokens_.push_back({Token::Kind::Symbol, QString(c)});
                ++i;
            } else {
                Error(QStringLiteral("unexpected character ") + c);
                return;
            }
        }
    }

    const Token& PeekAt(size_t k) const {
        static const Token end;
        return pos_ + k < tokens_.size() ? tokens_[pos_ + k] : end;
    }
    const Token& Peek() const { return PeekAt(0); }
    Token Next() {
        const Token t = Peek();
        if (pos_ < tokens_.size())
            ++pos_;
        return t;
    }
    bool Accept(const char* symbol) {
        if (Peek().kind == Token::Kind::Symbol && Peek().text == QLatin1String(symbol)) {
            ++pos_;
            return true;
        }
        return false;
    }

    Value Expression() {
        Value left = Term();
        while (Peek().kind == Token::Kind::Symbol &&
               (Peek().text == QLatin1String("+") || Peek().text == QLatin1String("-"))) {
            const bool plus = Next().text == QLatin1String("+");
            const Value right = Term();
            if (left.kind == Value::Kind::Number && right.kind == Value::Kind::Number)
                left.number = plus ? left.number + right.number : left.number - right.number;
            else if (plus && left.kind == Value::Kind::Clip && right.kind == Value::Kind::Clip)
                left.kind = Value::Kind::Clip;
            else {
                Error(QStringLiteral("operands of + or - do not match"));
                left.kind = Value::Kind::Bad;
            }
        }
        return left;
    }

    Value Term() {
        if (Accept("-")) {
            Value v = Term();
            if (v.kind != Value::Kind::Number) {
                Error(QStringLiteral("minus before something that is not a number"));
                v.kind = Value::Kind::Bad;
            }
            v.number = -v.number;
            return v;
        }
        if (Accept("(")) {
            const Value v = Expression();
            if (!Accept(")"))
                Error(QStringLiteral("missing )"));
            return v;
        }
        const Token t = Next();
        switch (t.kind) {
        case Token::Kind::Number:
            return {Value::Kind::Number, t.text.toDouble(), {}};
        case Token::Kind::String:
            return {Value::Kind::String, 0, t.text};
        case Token::Kind::Name:
            if (Peek().kind == Token::Kind::Symbol && Peek().text == QLatin1String("("))
                return Call(t.text);
            if (!variables_.contains(t.text)) {
                Error(QStringLiteral("name used before it is assigned: ") + t.text);
                return {};
            }
            return variables_.value(t.text);
        default:
            Error(QStringLiteral("expression expected"));
            return {};
        }
    }

    Value Call(const QString& function) {
        Accept("(");
        std::vector<Value> positional;
        QMap<QString, Value> named;
        if (!Accept(")")) {
            do {
                if (Peek().kind == Token::Kind::Name && PeekAt(1).text == QLatin1String("=")) {
                    const QString name = Next().text;
                    Next();
                    named[name] = Expression();
                } else {
                    positional.push_back(Expression());
                }
            } while (Accept(","));
            if (!Accept(")"))
                Error(QStringLiteral("missing ) after the arguments of ") + function);
        }
        auto expect = [&](size_t count, std::initializer_list<Value::Kind> kinds) {
            if (positional.size() != count) {
                Error(function + QStringLiteral(" takes %1 arguments here").arg(count));
                return false;
            }
            size_t k = 0;
            for (const Value::Kind kind : kinds) {
                if (positional[k].kind != kind) {
                    Error(function + QStringLiteral(": argument %1 has the wrong type").arg(k + 1));
                    return false;
                }
                ++k;
            }
            return true;
        };
        using K = Value::Kind;
        const Value clip{K::Clip, 0, {}};
        if (function == QLatin1String("Mpeg2Source")) {
            if (!expect(1, {K::String}))
                return {};
            for (auto it = named.cbegin(); it != named.cend(); ++it)
                if (it.key() != QLatin1String("idct") || it.value().kind != K::Number)
                    Error(QStringLiteral("Mpeg2Source: bad named argument ") + it.key());
            return clip;
        }
        if (!named.isEmpty())
            Error(function + QStringLiteral(" takes no named argument here"));
        if (function == QLatin1String("Trim")) {
            if (!expect(3, {K::Clip, K::Number, K::Number}))
                return {};
            result_.trims.emplace_back(static_cast<int64_t>(positional[1].number),
                                       static_cast<int64_t>(positional[2].number));
            return clip;
        }
        if (function == QLatin1String("Crop")) {
            return expect(5, {K::Clip, K::Number, K::Number, K::Number, K::Number}) ? clip : Value{};
        }
        if (function == QLatin1String("BicubicResize"))
            return expect(5, {K::Clip, K::Number, K::Number, K::Number, K::Number}) ? clip : Value{};
        if (function == QLatin1String("BilinearResize"))
            return expect(3, {K::Clip, K::Number, K::Number}) ? clip : Value{};
        Error(QStringLiteral("unknown filter ") + function);
        return {};
    }

    QString line_;
    int lineNumber_;
    CheckedScript& result_;
    QMap<QString, Value>& variables_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
};

} // namespace

CheckedScript CheckScript(const QStringList& lines) {
    CheckedScript result;
    QMap<QString, Value> variables;
    int number = 0;
    for (const QString& line : lines) {
        ++number;
        LineReader(line, number, result, variables).Statement();
    }
    return result;
}

QByteArray Golden(const char* name) {
    return ReadBytes(QStringLiteral(CINESCRIPTOR_SCRIPTS_GOLDEN_DIR "/") + QLatin1String(name));
}

// Credits frame stored in every case, so mode 0 shows it is ignored.
ScriptSource GoldenSource(uint8_t creditsMode, const QString& folder) {
    ScriptSource s;
    s.FileName = QStringLiteral("/films/Mon film été/VTS 01.d2v");
    s.CropTop = 8;
    s.CropBottom = 10;
    s.CropLeft = 4;
    s.CropRight = 6;
    s.OutputWidth = 640;
    s.OutputHeight = 352;
    s.FirstFrameNumber = 100;
    s.LastFrameNumber = 5000;
    s.CreditsFrameNumber = 4500;
    s.iDCT = 5;
    s.CreditsMode = creditsMode;
    s.IsCreditsModeSelected = creditsMode != 0;
    if (!folder.isEmpty())
        s.D2VFilePath = folder + QLatin1Char('/');
    return s;
}
