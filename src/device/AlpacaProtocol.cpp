#include "AlpacaProtocol.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace AlpacaProtocol
{

namespace
{

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0
            && hexDigit(text[i + 2]) >= 0) {
            out += char(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
        [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return out;
}

} // namespace

void addParameter(Parameters& parameters, std::string_view name, std::string value)
{
    parameters.emplace(lower(name), std::move(value));
}

Parameters parseForm(std::string_view text)
{
    Parameters parameters;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('&'), text.size());
        const std::string_view pair = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (pair.empty())
            continue;
        const std::size_t equals = pair.find('=');
        const std::string_view name = pair.substr(0, equals);
        const std::string_view value
            = equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
        addParameter(parameters, decode(name), decode(value));
    }
    return parameters;
}

const std::string* find(const Parameters& parameters, std::string_view lowerName)
{
    const auto found = parameters.find(std::string(lowerName));
    return found == parameters.end() ? nullptr : &found->second;
}

std::optional<quint32> toUInt32(std::string_view text)
{
    if (text.empty() || text.size() > 10
        || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const unsigned long long value = std::stoull(std::string(text));
    if (value > 0xFFFFFFFFull)
        return std::nullopt;
    return quint32(value);
}

std::optional<bool> toBool(std::string_view text)
{
    const std::string value = lower(text);
    if (value == "true")
        return true;
    if (value == "false")
        return false;
    return std::nullopt;
}

std::optional<double> toDouble(std::string_view text)
{
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || last != end || text.empty() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string jsonNumber(double value)
{
    char buffer[32];
    const auto [last, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, last) : std::string("0");
}

std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[(c >> 4) & 0xF];
                out += hex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out + '"';
}

std::string frame(const std::string& value, quint32 clientTransaction, quint32 serverTransaction,
    int errorNumber, std::string_view errorMessage)
{
    std::string out = "{";
    if (!value.empty())
        out += "\"Value\":" + value + ',';
    out += "\"ClientTransactionID\":" + std::to_string(clientTransaction);
    out += ",\"ServerTransactionID\":" + std::to_string(serverTransaction);
    out += ",\"ErrorNumber\":" + std::to_string(errorNumber);
    out += ",\"ErrorMessage\":" + jsonString(errorMessage) + '}';
    return out;
}

} // namespace AlpacaProtocol
