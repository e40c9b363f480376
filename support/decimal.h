#pragma once
#include <string>
#include <string_view>

enum class Decimal { exact, notANumber, notFinite, inexact };

// Reads a whole token as a decimal number: an optional sign, digits with at
// most one point among them, an optional exponent (12, -3, 12.5, 1.25e1).
// As a float, the number is exact when its value is that of the decimal
// formatCoord writes for the nearest float: 0.1, 12.5, 1e3, 16777216 and
// 99992016 are exact, 16777217, 0.30000001 (0.3) and 1e-45 (1.4013e-45)
// are not. As a double, when the nearest double, written back with as many
// significant digits as the token has (zeros that end an integer part
// count, zeros that end a fraction do not), gives the token's value.
// Whenever the token is a number, v is that nearest value.
Decimal readDecimal(std::string_view tok, float& v);
Decimal readDecimal(std::string_view tok, double& v);

// v with as many significant digits as the token has: what an inexact
// token would have become.
std::string formatLikeToken(std::string_view tok, double v);
