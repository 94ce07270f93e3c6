#pragma once
// The order in which the shell namespace lists names: case-insensitive (each
// code point of UTF-8 text folded by its simple lower-case mapping), ties
// broken by the raw bytes, so that every listing has one stable order. Bytes
// that are not valid UTF-8 compare by their value, after all code points.

#include <string_view>

// Negative, 0 or positive; 0 only for identical bytes.
int CompareItemNames(std::string_view a, std::string_view b);
