// The SQL side of the database wrapper: the values a query gives, the Jet
// dialect the program's statements are written in, and the formatting of
// values into statements.

#include "storage/CAdoDatabase.h"

#include "platform/TrimSpace.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

bool IsPlainNumber(std::string_view text) {
    std::size_t k = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (k == text.size())
        return false;
    for (; k < text.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(text[k])))
            return false;
    return true;
}

bool IsDateLiteral(std::string_view text) {
    return text.size() > 2 && text.front() == '#' && text.back() == '#' &&
           BirthDate::Parse(text.substr(1, text.size() - 2)).IsValid();
}

// "Delete * From X" is Jet's spelling of "DELETE FROM X".
std::string DropDeleteStar(std::string sql) {
    std::size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
        ++i;
    if (!EqualsNoCase(std::string_view(sql).substr(i, 6), "delete"))
        return sql;
    std::size_t j = i + 6;
    while (j < sql.size() && std::isspace(static_cast<unsigned char>(sql[j])))
        ++j;
    if (j < sql.size() && sql[j] == '*')
        sql.erase(i + 6, j + 1 - (i + 6));
    return sql;
}

} // namespace

// ---------------------------------------------------------------- DbValue

DbValue DbValue::Null() {
    DbValue v;
    v.m_Kind = Kind::Null;
    return v;
}

DbValue DbValue::Integer(std::int64_t value) {
    DbValue v;
    v.m_Kind = Kind::Integer;
    v.m_Integer = value;
    return v;
}

DbValue DbValue::Real(double value) {
    DbValue v;
    v.m_Kind = Kind::Real;
    v.m_Real = value;
    return v;
}

DbValue DbValue::Text(std::string value) {
    DbValue v;
    v.m_Kind = Kind::Text;
    v.m_Text = std::move(value);
    return v;
}

std::string DbValue::AsString() && {
    // A value read once gives its text away instead of copying it.
    return m_Kind == Kind::Text ? std::move(m_Text) : std::as_const(*this).AsString();
}

std::string DbValue::AsString() const& {
    switch (m_Kind) {
    case Kind::Integer: return std::to_string(m_Integer);
    case Kind::Real: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15g", m_Real);
        return buffer;
    }
    case Kind::Text: return m_Text;
    default: return {};
    }
}

std::int32_t DbValue::AsInt() const {
    switch (m_Kind) {
    case Kind::Integer: return static_cast<std::int32_t>(m_Integer);
    case Kind::Real: {
        // A stored number out of range reads as the nearest int, not as
        // whatever an overflowing conversion happens to give.
        if (std::isnan(m_Real))
            return 0;
        const double limited = std::clamp(m_Real, double{INT32_MIN}, double{INT32_MAX});
        return static_cast<std::int32_t>(limited);
    }
    case Kind::Text: {
        const std::string_view text = TrimSpace(m_Text);
        long long value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        return static_cast<std::int32_t>(value);
    }
    default: return 0;
    }
}

int DbValue::AsYesNo() const {
    return std::abs(static_cast<int>(static_cast<std::int16_t>(AsInt())));
}

DateTime DbValue::AsDateTime() const {
    switch (m_Kind) {
    case Kind::Text: return DateTime::Parse(m_Text);
    case Kind::Real: return DateTime::FromDays(m_Real);
    case Kind::Integer: return DateTime::FromDays(static_cast<double>(m_Integer));
    default: return DateTime::Invalid();
    }
}

BirthDate DbValue::AsBirthDate() const {
    if (m_Kind == Kind::Text)
        return BirthDate::Parse(m_Text);
    return BirthDate::FromDateTime(AsDateTime());
}

std::string CAdoDatabase::TranslateJet(std::string_view sql) {
    std::string out;
    out.reserve(sql.size() + 16);
    for (std::size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'') {
            // Copy a single-quoted literal unchanged, doubled apostrophes included.
            std::size_t j = i + 1;
            while (j < sql.size()) {
                if (sql[j] == '\'' && j + 1 < sql.size() && sql[j + 1] == '\'')
                    j += 2;
                else if (sql[j] == '\'')
                    break;
                else
                    ++j;
            }
            out.append(sql.substr(i, j + 1 - i));
            i = j;
        } else if (c == '"') {
            // Jet reads "..." as a string value.
            std::size_t j = i + 1;
            std::string value;
            while (j < sql.size()) {
                if (sql[j] == '"' && j + 1 < sql.size() && sql[j + 1] == '"') {
                    value += '"';
                    j += 2;
                } else if (sql[j] == '"') {
                    break;
                } else {
                    value += sql[j++];
                }
            }
            out += '\'';
            for (char v : value) {
                if (v == '\'')
                    out += '\'';
                out += v;
            }
            out += '\'';
            i = j;
        } else if (c == '#') {
            // A Jet date literal #2011-09-09 23:59:59# becomes a stored date
            // text; a lunar birth date on a day the Gregorian calendar lacks
            // (#1980-02-30#) is kept as written, not moved into March.
            const std::size_t close = sql.find('#', i + 1);
            const BirthDate date =
                close == std::string_view::npos
                    ? BirthDate()
                    : BirthDate::Parse(TrimSpace(sql.substr(i + 1, close - i - 1)));
            if (!date.IsValid())
                throw DbError("日期格式不正确：" + std::string(sql.substr(i)));
            out += '\'';
            out += date.Format("%Y-%m-%d %H:%M:%S");
            out += '\'';
            i = close;
        } else {
            out += c;
        }
    }
    return DropDeleteStar(std::move(out));
}

// ---------------------------------------------------------------- SqlFormat

std::string SqlFormatArgs(std::string_view format, const std::vector<SqlArg>& args) {
    std::string out;
    std::size_t next = 0;
    // The quote the format has open at this point: '\'', '"' (Jet's other
    // string quote, used for the passwords) or none.
    char openQuote = '\0';
    auto take = [&]() -> const SqlArg& {
        if (next >= args.size())
            throw DbError("SQL 格式缺少参数：" + std::string(format));
        return args[next++];
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '\'' || c == '"') {
            if (openQuote == '\0')
                openQuote = c;
            else if (openQuote == c)
                openQuote = '\0';
            out += c;
            continue;
        }
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        std::size_t j = i + 1;
        while (j < format.size() && (format[j] == 'l' || format[j] == 'h'))
            ++j;
        const char conversion = j < format.size() ? format[j] : '\0';
        if (conversion == '%') {
            out += '%';
        } else if (conversion == 'd' || conversion == 'i' || conversion == 'u') {
            const SqlArg& arg = take();
            if (const auto* number = std::get_if<std::int64_t>(&arg))
                out += std::to_string(*number);
            else
                out += std::to_string(DbValue::Text(std::get<std::string>(arg)).AsInt());
        } else if (conversion == 's') {
            const SqlArg& arg = take();
            if (const auto* number = std::get_if<std::int64_t>(&arg)) {
                out += std::to_string(*number);
            } else {
                const std::string& text = std::get<std::string>(arg);
                if (openQuote != '\0') {
                    // Inside a quoted value its own quote is doubled.
                    for (char v : text) {
                        if (v == openQuote)
                            out += v;
                        out += v;
                    }
                } else {
                    // Unquoted text must be a plain number (an ID or ahead code
                    // kept as text) or a #...# date literal.
                    const std::string_view trimmed = TrimSpace(text);
                    if (!IsPlainNumber(trimmed) && !IsDateLiteral(trimmed))
                        throw DbError("不是有效的数字或日期：" + text);
                    out += trimmed;
                }
            }
        } else {
            out.append(format.substr(i, j + 1 - i));
        }
        i = j;
    }
    return out;
}
