// Maker: how to reach the maker of the product. Every page that shows an
// address or a telephone number takes it from here.
#pragma once

namespace velmorak::maker {

inline constexpr const char* WebSite = "http://www.velmorak.example/";
inline constexpr const char* Forum = "http://forum.velmorak.example/viewforum.php?f=121";
inline constexpr const char* EMail = "contact@velmorak.example";
// Numbers in a range no telephone network hands out.
inline constexpr const char* SalesPhone = "(+000) 00 00 00 01";
inline constexpr const char* SupportPhone = "(+000) 00 00 00 02";

}  // namespace velmorak::maker
