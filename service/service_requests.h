#pragma once

#include <string>

// The service's web host, the mail domain of the addresses it hands out, and the web domain
// users are sent to when something goes wrong, fixed at build time.
extern const char* const ServiceHost;
extern const char* const MailDomain;
extern const char* const WebDomain;

#ifdef VEXMORA_TEST_SEAMS
// Test builds only: the three URLs go to `host` (host[:port]) while it is not empty. Nothing a
// user can set reaches it; the shipped program has no such function.
void SetServiceHostForTests(std::string host);
#endif

// The three requests of the service. Every parameter value is percent-encoded (all bytes but
// letters, digits and "-._~"), so what the user typed reaches the server unchanged.
std::string MakeRegisterUrl(const std::string& email, const std::string& email2,
                            const std::string& password, const std::string& password2);
std::string MakeNewAddressUrl(const std::string& email, const std::string& password,
                              const std::string& message, const std::string& prefixWord,
                              const std::string& customPrefix);
std::string MakeViewLogUrl(const std::string& email, const std::string& password);

// Turns the text of a new-address reply into the address: leading CRs, then leading LFs,
// trailing LFs, then trailing CRs are removed, and "@" and MailDomain appended.
std::string AddressFromReply(std::string reply);
