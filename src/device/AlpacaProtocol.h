#pragma once

#include <QtGlobal>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// The pieces of the Alpaca device protocol that do not depend on a device: parameters,
// transaction numbers and the JSON frame of an answer.
namespace AlpacaProtocol
{

enum ErrorNumber : int {
    NotImplemented = 0x400,
    InvalidValue = 0x401,
    ValueNotSet = 0x402,
    NotConnected = 0x407,
};

// Parameter names are matched without regard to case; the keys are lower case. The first
// of repeated names wins.
using Parameters = std::map<std::string, std::string>;

void addParameter(Parameters& parameters, std::string_view name, std::string value);
// A form-encoded body (or query): name=value pairs split by "&", "+" for a blank, %XX escapes.
Parameters parseForm(std::string_view text);
const std::string* find(const Parameters& parameters, std::string_view lowerName);

// Decimal digits only, 0 ... 4294967295.
std::optional<quint32> toUInt32(std::string_view text);
// "true" or "false" in any casing.
std::optional<bool> toBool(std::string_view text);
// A finite number with "." as its decimal point.
std::optional<double> toDouble(std::string_view text);

// JSON values for the Value member.
std::string jsonNumber(double value);
std::string jsonString(std::string_view text);
inline std::string jsonBool(bool value)
{
    return value ? "true" : "false";
}

// The whole answer: {"Value": ..., "ClientTransactionID": n, "ServerTransactionID": n,
// "ErrorNumber": n, "ErrorMessage": "..."}; without "Value" when value is empty.
std::string frame(const std::string& value, quint32 clientTransaction, quint32 serverTransaction,
    int errorNumber = 0, std::string_view errorMessage = {});

} // namespace AlpacaProtocol

namespace AlpacaProtocol
{

// What a member answers: a value (JSON; empty for a method), an ASCOM error, or a request the
// device cannot interpret (HTTP 400 with the message as text).
struct Result {
    std::string value;
    int errorNumber = 0;
    std::string message;
    bool badRequest = false;

    static Result ok(std::string value = {}) { return { std::move(value), 0, {}, false }; }
    static Result error(int number, std::string message)
    {
        return { {}, number, std::move(message), false };
    }
    static Result bad(std::string message) { return { {}, 0, std::move(message), true }; }
};

} // namespace AlpacaProtocol
