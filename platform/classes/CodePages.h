// CodePages: conversion of text between the system's OEM code page (what old
// archivers stored in ZIP names), its ANSI code page (what the engines and
// stored files hold) and UTF-8 (what the platform's file calls take).
// Windows converts with the system calls (OemToCharBuffA, the CP_ACP
// conversions); elsewhere fixed tables of a Western European Windows stand in
// (OEM 850, ANSI 1252, with Windows' best-fit mapping), see platform/os/Locale.h.
#pragma once

#include <string>
#include <string_view>

namespace velmorak {

// OEM to ANSI, byte for byte: OEM 850 0x82 'é' becomes ANSI 1252 0xE9.
// Characters without an ANSI equivalent take Windows' best fit (box-drawing
// characters become '+', '-' or a broken bar).
std::string OemToAnsi(std::string_view oem);
std::string AnsiToOem(std::string_view ansi);

// ANSI bytes to UTF-8 and back. Characters that ANSI cannot hold become '?'.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

// The table conversions of OEM 850 and ANSI 1252 alone, on every build.
std::string Oem850ToAnsi1252(std::string_view oem);
std::string Ansi1252ToUtf8(std::string_view ansi);
std::string Utf8ToAnsi1252(std::string_view utf8);

}  // namespace velmorak
