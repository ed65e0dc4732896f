#pragma once
// Contact texts quoted by error messages, the configuration file and the about window.
namespace scandeck::contact {

inline constexpr const char* kProgramTitle = "ScanDeck";
inline constexpr const char* kSupportAddress = "support@scandeck.example.org";
inline constexpr const char* kWebAddress = "https://scandeck.example.org/";
inline constexpr const char* kMailingListAddress = "https://lists.scandeck.example.org/scandeck-users";
inline constexpr const char* kAuthorCredit = "ScanDeck by the ScanDeck developers";
inline constexpr const char* kCopyrightYear = "2026";
inline constexpr const char* kMessengerNumber = "000000000";

}  // namespace scandeck::contact
