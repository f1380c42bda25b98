// The readers of skin attribute values and tag arguments. Where the controls read a value in
// different ways, each way has a function of its own, named for what it accepts. A null value
// reads as false or 0. Numbers read past their range saturate (the runtime's wcstol/wcstoul).
#pragma once

#include <windows.h>

namespace QxUI {

// True only for the exact text "true".
bool AttributeIsTrue(LPCWSTR value);
// True for "true" in any letter case (the skin's root and resource declarations).
bool AttributeIsTrueIgnoringCase(LPCWSTR value);
// True only for the exact text "false".
bool AttributeIsFalse(LPCWSTR value);

// The decimal value of the leading digits (white space and a sign may come first); 0 when
// there are none; saturated at the int range.
int AttributeInt(LPCWSTR value);

// Hexadecimal ARGB after one optional "#"; 0 when there are no digits.
DWORD AttributeHexColor(LPCWSTR value);
// The same after leading spaces (code 32 only).
DWORD AttributeHexColorAfterSpaces(LPCWSTR value);
// The same after leading spaces, tabs, carriage returns and line feeds.
DWORD AttributeHexColorAfterWhitespace(LPCWSTR value);
// The same after any leading characters of code 1 to 32.
DWORD AttributeHexColorAfterBlanks(LPCWSTR value);

// Up to count decimals, each followed by one separator character of any kind; a number missing
// from a short value or at a gap reads as 0. Never reads past the end of the text.
void AttributeDecimalList(LPCWSTR value, long* numbers, int count);
RECT AttributeDecimalRect(LPCWSTR value);   // left, top, right, bottom
SIZE AttributeDecimalSize(LPCWSTR value);   // cx, cy
// Decimal fractions, separated as AttributeDecimalList separates its numbers.
void AttributeFractionList(LPCWSTR value, double* numbers, int count);

// Up to count decimals, each followed by an optional comma; a gap reads as 0 and reading goes on.
void AttributeCommaList(LPCWSTR value, long* numbers, int count);
// Up to four decimals, each followed by an optional comma; the first gap ends the list and the
// numbers from there on read as 0.
RECT AttributeCommaRectUntilGap(LPCWSTR value);

// The alignment words a value holds, each found anywhere in it, case-sensitively ("vcenter" also
// holds "center").
enum AlignWord : UINT {
    kAlignLeft = 0x01,
    kAlignCenter = 0x02,
    kAlignRight = 0x04,
    kAlignTop = 0x08,
    kAlignVCenter = 0x10,
    kAlignBottom = 0x20,
};
UINT AttributeAlignWords(LPCWSTR value);

// A 16-bit resource id from a text that begins with a decimal digit; text after the digits is
// ignored. False (id untouched) for any other text and for numbers past 0xFFFF.
bool AttributeResourceId(LPCWSTR value, WORD& id);
// A 16-bit resource id written with decimal digits only; 0 for anything else.
WORD AttributeResourceIdDigitsOnly(LPCWSTR value);

} // namespace QxUI
