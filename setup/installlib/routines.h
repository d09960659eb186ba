#pragma once

// String routines every unit of the install library uses: trailing
// backslashes of directories, ';'-separated fields (1-based), the text after
// a colon and file-name cleaning. None of them raises.

#include <string>
#include <string_view>
#include <vector>

namespace installlib {

// S with a "\" appended when S is non-empty and does not end in one.
std::string AddBackslash(std::string_view S);

// S without one trailing "\" (only one, when there are several).
std::string RemoveBackslash(std::string_view S);

// Number of delimiters in S, plus one when S is non-empty and does not end
// with the delimiter; 0 for an empty S. So "a;b;" has 2 fields, "a;;b" 3.
int CountDelimitedItems(std::string_view S, char Delimiter = ';');

// The N-th field counted from 1 (N of 1 or less gives the first), untrimmed;
// empty when S has fewer than N-1 delimiters.
std::string GetDelimitedItem(std::string_view S, int N, char Delimiter = ';');

// Clears List and adds fields 1 to CountDelimitedItems(S) in order.
void SplitDelimited(std::string_view S, char Delimiter, std::vector<std::string>& List);

// Result becomes the text behind the first ":"; without a colon Result is
// left as the caller passed it.
void TextAfterColon(std::string_view S, std::string& Result);

// A whole number as the old string-to-integer conversion read it: optional
// sign, decimal digits, or "$" / "0x" and hexadecimal digits, within 32 bits;
// no blanks.
bool TryStrToInt(std::string_view S, int& Value);

// The directory part of a path with its trailing separator, and the name
// part; "\", "/" and ":" separate. "C:\A\b.txt" gives "C:\A\" and "b.txt".
std::string ExtractFilePath(std::string_view Path);
std::string ExtractFileName(std::string_view Path);

// "/" becomes "-"; the characters " * : ; < > ? \ | are dropped; every other
// byte is kept in order. 12/31/99 gives 12-31-99.
std::string MakeValidFileName(std::string_view S);

} // namespace installlib
