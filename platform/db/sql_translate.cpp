#include "platform/db/sql_translate.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/db/dataset.h"

namespace db {

namespace {

bool isWordStart(unsigned char c)
{
    return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool isWordChar(unsigned char c)
{
    return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80;
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool oneOf(const std::string& word, std::initializer_list<const char*> words)
{
    return std::any_of(words.begin(), words.end(), [&](const char* w) { return word == w; });
}

// Words after a table name that are not its alias.
bool endsTableName(const std::string& w)
{
    return oneOf(w,
        { "where", "group", "order", "having", "union", "limit", "join", "inner", "left", "right", "full", "outer",
            "cross", "natural", "on", "using", "intersect", "except", "window" });
}

std::vector<SqlToken> tokenize(const std::string& s)
{
    std::vector<SqlToken> tokens;
    const std::size_t n = s.size();
    std::size_t i = 0;
    auto push = [&](SqlToken::Kind kind, std::size_t start) {
        if (kind == SqlToken::Space && !tokens.empty() && tokens.back().kind == SqlToken::Space)
            tokens.back().len = i - tokens.back().pos;
        else
            tokens.push_back({ kind, start, i - start });
    };
    while (i < n) {
        const std::size_t start = i;
        const auto c = static_cast<unsigned char>(s[i]);
        if (std::isspace(c)) {
            while (i < n && std::isspace(static_cast<unsigned char>(s[i])))
                ++i;
            push(SqlToken::Space, start);
        } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            while (i < n && s[i] != '\n')
                ++i;
            push(SqlToken::Space, start);
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            const auto end = s.find("*/", i + 2);
            i = end == std::string::npos ? n : end + 2;
            push(SqlToken::Space, start);
        } else if (c == '\'' || c == '"') {
            ++i;
            for (;;) {
                if (i >= n)
                    throw EDatabaseError("Invalid SQL: a string that begins at character " + std::to_string(start + 1)
                        + " has no closing quote.\nSQL: " + s);
                if (s[i] == static_cast<char>(c)) {
                    if (i + 1 < n && s[i + 1] == static_cast<char>(c)) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            push(c == '\'' ? SqlToken::SingleQuoted : SqlToken::DoubleQuoted, start);
        } else if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            while (i < n && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.'))
                ++i;
            if (i < n && (s[i] == 'e' || s[i] == 'E')) {
                std::size_t j = i + 1;
                if (j < n && (s[j] == '+' || s[j] == '-'))
                    ++j;
                if (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) {
                    i = j;
                    while (i < n && std::isdigit(static_cast<unsigned char>(s[i])))
                        ++i;
                }
            }
            push(SqlToken::Number, start);
        } else if (isWordStart(c)) {
            while (i < n && isWordChar(static_cast<unsigned char>(s[i])))
                ++i;
            push(SqlToken::Word, start);
        } else {
            ++i;
            if (i < n) {
                const std::string_view two(s.data() + start, 2);
                if (two == "<=" || two == ">=" || two == "<>" || two == "!=" || two == "||" || two == "==")
                    ++i;
            }
            push(SqlToken::Symbol, start);
        }
    }
    return tokens;
}

std::string unquoteDouble(std::string_view quoted)
{
    std::string out;
    out.reserve(quoted.size());
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        out += quoted[i];
        if (quoted[i] == '"')
            ++i; // the second of a doubled quote
    }
    return out;
}

std::string sqliteIdentifier(std::string_view name)
{
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

} // namespace

std::string tableBaseName(const std::string& fileName)
{
    std::string name = fileName;
    const auto sep = name.find_last_of("\\/");
    if (sep != std::string::npos)
        name.erase(0, sep + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

ParsedSql parseLocalSql(std::string text)
{
    ParsedSql p;
    p.text = std::move(text);
    p.tokens = tokenize(p.text);

    std::vector<std::size_t> sig; // indexes of the tokens that are not blanks
    for (std::size_t i = 0; i < p.tokens.size(); ++i)
        if (p.tokens[i].kind != SqlToken::Space)
            sig.push_back(i);
    auto view = [&](std::size_t tok) { return std::string_view(p.text).substr(p.tokens[tok].pos, p.tokens[tok].len); };
    auto isSymbol
        = [&](std::size_t tok, std::string_view s) { return p.tokens[tok].kind == SqlToken::Symbol && view(tok) == s; };
    auto wordAt = [&](std::size_t k) -> std::string {
        if (k >= sig.size() || p.tokens[sig[k]].kind != SqlToken::Word)
            return {};
        return lower(view(sig[k]));
    };

    int depth = 0;
    std::vector<int> selectDepths; // SELECTs still waiting for their FROM
    bool inFrom = false;
    int fromDepth = 0;
    bool expectTable = false;
    std::vector<std::string> topWords; // words outside every parenthesis
    for (std::size_t k = 0; k < sig.size(); ++k) {
        const std::size_t t = sig[k];
        const SqlToken& tok = p.tokens[t];
        if (isSymbol(t, "(")) {
            ++depth;
            expectTable = false;
            continue;
        }
        if (isSymbol(t, ")")) {
            --depth;
            while (!selectDepths.empty() && selectDepths.back() > depth)
                selectDepths.pop_back();
            if (inFrom && depth < fromDepth)
                inFrom = false;
            continue;
        }
        const std::string word = tok.kind == SqlToken::Word ? lower(view(t)) : std::string();
        if (expectTable
            && (tok.kind == SqlToken::DoubleQuoted || (tok.kind == SqlToken::Word && !endsTableName(word)))) {
            expectTable = false;
            SqlTableRef ref;
            ref.first = t;
            ref.depth = depth;
            std::size_t lastK = k;
            if (tok.kind == SqlToken::DoubleQuoted) {
                ref.fileName = unquoteDouble(view(t));
            } else {
                ref.fileName = std::string(view(t));
                if (k + 2 < sig.size() && isSymbol(sig[k + 1], ".") && p.tokens[sig[k + 2]].kind == SqlToken::Word) {
                    ref.fileName += "." + std::string(view(sig[k + 2]));
                    lastK = k + 2;
                }
            }
            ref.last = sig[lastK] + 1;
            const std::string next = wordAt(lastK + 1);
            ref.hasAlias = !next.empty() && !endsTableName(next);
            p.tables.push_back(std::move(ref));
            k = lastK;
            continue;
        }
        expectTable = false;
        if (depth == 0 && !word.empty())
            topWords.push_back(word);
        if (word == "select") {
            selectDepths.push_back(depth);
        } else if (word == "from") {
            if (!selectDepths.empty() && selectDepths.back() == depth) {
                selectDepths.pop_back();
                inFrom = true;
                fromDepth = depth;
                expectTable = true;
            }
        } else if (word == "join") {
            inFrom = true;
            fromDepth = depth;
            expectTable = true;
        } else if (inFrom && depth == fromDepth && !word.empty() && endsTableName(word)) {
            inFrom = false;
        } else if (inFrom && depth == fromDepth && isSymbol(t, ",")) {
            expectTable = true;
        }
    }

    // select * from <table> [alias] [where/order by ...]
    if (p.tables.size() == 1 && sig.size() >= 4 && wordAt(0) == "select" && isSymbol(sig[1], "*") && wordAt(2) == "from"
        && p.tables[0].first == sig[3]) {
        std::size_t k = 3;
        while (k < sig.size() && sig[k] < p.tables[0].last)
            ++k;
        if (p.tables[0].hasAlias) {
            if (wordAt(k) == "as")
                ++k;
            ++k;
        }
        bool plain = true;
        for (std::size_t j = k; j < sig.size() && plain; ++j) {
            const std::string w = wordAt(j);
            if (oneOf(w,
                    { "select", "from", "join", "union", "group", "having", "intersect", "except", "distinct",
                        "window" }))
                plain = false;
        }
        if (plain && k <= sig.size()) {
            p.wholeRows = true;
            p.starToken = sig[1];
            p.everyRow = k == sig.size() || (k + 1 == sig.size() && isSymbol(sig[k], ";"));
        }
    }
    p.keyOrder = p.tables.size() == 1 && p.tables[0].depth == 0 && wordAt(0) == "select"
        && std::none_of(topWords.begin(), topWords.end(), [](const std::string& w) {
               return oneOf(w, { "order", "group", "union", "intersect", "except", "distinct", "limit", "window" });
           });
    return p;
}

std::string toSqlite(const ParsedSql& p, const std::vector<std::string>& tableNames, const std::string& rowIdColumn)
{
    std::string out;
    out.reserve(p.text.size() + 32);
    std::size_t nextRef = 0;
    const SqlToken* previous = nullptr; // last token that is not blank
    // ORDER BY goes before a closing ";" and on its own line (after a comment).
    const bool addOrder = p.keyOrder && !rowIdColumn.empty();
    std::size_t orderAt = p.tokens.size();
    for (std::size_t i = p.tokens.size(); i-- > 0;) {
        if (p.tokens[i].kind == SqlToken::Space)
            continue;
        if (p.tokens[i].kind == SqlToken::Symbol && p.text.compare(p.tokens[i].pos, p.tokens[i].len, ";") == 0)
            orderAt = i;
        break;
    }
    const std::string orderBy = "\nORDER BY " + rowIdColumn;
    for (std::size_t i = 0; i < p.tokens.size(); ++i) {
        const SqlToken& tok = p.tokens[i];
        if (addOrder && i == orderAt)
            out += orderBy;
        const std::string_view text = std::string_view(p.text).substr(tok.pos, tok.len);
        if (nextRef < p.tables.size() && p.tables[nextRef].first == i) {
            const SqlTableRef& ref = p.tables[nextRef];
            out += sqliteIdentifier(tableNames.at(nextRef));
            if (!ref.hasAlias)
                out += " AS " + sqliteIdentifier(tableBaseName(ref.fileName));
            previous = &p.tokens[ref.last - 1];
            i = ref.last - 1;
            ++nextRef;
            continue;
        }
        if (tok.kind == SqlToken::DoubleQuoted) {
            const bool afterDot = previous && previous->kind == SqlToken::Symbol
                && std::string_view(p.text).substr(previous->pos, previous->len) == ".";
            if (afterDot) {
                out += text; // t."Field Name": a quoted column name
            } else {
                out += '\'';
                for (char c : unquoteDouble(text)) {
                    out += c;
                    if (c == '\'')
                        out += '\'';
                }
                out += '\'';
            }
        } else if (!rowIdColumn.empty() && p.wholeRows && i == p.starToken) {
            out += rowIdColumn;
        } else {
            out += text;
        }
        if (tok.kind != SqlToken::Space)
            previous = &tok;
    }
    if (addOrder && orderAt == p.tokens.size())
        out += orderBy;
    return out;
}

} // namespace db
