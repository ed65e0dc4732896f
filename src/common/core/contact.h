#pragma once
// Contact texts quoted by error messages, the configuration file, the help menu
// and the about window: every address and credit of the program is here.
namespace scandeck::contact {

inline constexpr const char* kProgramTitle = "ScanDeck";
inline constexpr const char* kSupportAddress = "support@scandeck.example.org";
inline constexpr const char* kWebAddress = "https://scandeck.example.org/";
inline constexpr const char* kMailingListAddress = "https://lists.scandeck.example.org/scandeck-users";
inline constexpr const char* kAuthorCredit = "The ScanDeck developers";
inline constexpr const char* kCopyrightYear = "2026";
inline constexpr const char* kMessengerNumber = "000000000";

// The authors' own mail address, for the "Mail ..." entry and the about window.
inline constexpr const char* kAuthorMailAddress = "developers@scandeck.example.org";
// The mailing list: posting, subscribing and unsubscribing are mails to these.
inline constexpr const char* kMailingListPostAddress = "scandeck-users@lists.scandeck.example.org";
inline constexpr const char* kMailingListSubscribeAddress = "scandeck-users-subscribe@lists.scandeck.example.org";
inline constexpr const char* kMailingListUnsubscribeAddress = "scandeck-users-unsubscribe@lists.scandeck.example.org";
// Where the scanner's remote commands were found, and the page of the person credited for them.
inline constexpr const char* kCommandCodesPage = "https://scandeck.example.org/bc245xlt-remote-commands";
inline constexpr const char* kCreditedPersonName = "the BC245XLT remote-protocol notes";
inline constexpr const char* kCreditedPersonPage = "https://scandeck.example.org/credits";

}  // namespace scandeck::contact
