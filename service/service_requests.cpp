#include "service/service_requests.h"

#include <string>
#include <utility>

#ifndef VEXMORA_SERVICE_HOST
#error "VEXMORA_SERVICE_HOST must be set by the build"
#endif
#ifndef VEXMORA_MAIL_DOMAIN
#error "VEXMORA_MAIL_DOMAIN must be set by the build"
#endif
#ifndef VEXMORA_WEB_DOMAIN
#error "VEXMORA_WEB_DOMAIN must be set by the build"
#endif

const char* const ServiceHost = VEXMORA_SERVICE_HOST;
const char* const MailDomain = VEXMORA_MAIL_DOMAIN;
const char* const WebDomain = VEXMORA_WEB_DOMAIN;

namespace {

#ifdef VEXMORA_TEST_SEAMS
std::string g_hostForTests;
#endif

// Percent-encodes every byte but the unreserved characters of RFC 3986, upper-case hex.
std::string Encode(const std::string& value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(value.size());
  for (const char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
    if (unreserved) {
      encoded += ch;
    } else {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 0xF];
    }
  }
  return encoded;
}

std::string ServiceUrl(const char* page) {
#ifdef VEXMORA_TEST_SEAMS
  if (!g_hostForTests.empty()) return "http://" + g_hostForTests + page;
#endif
  return std::string("http://") + ServiceHost + page;
}

}  // namespace

#ifdef VEXMORA_TEST_SEAMS
void SetServiceHostForTests(std::string host) {
  g_hostForTests = std::move(host);
}
#endif

std::string MakeRegisterUrl(const std::string& email, const std::string& email2,
                            const std::string& password, const std::string& password2) {
  return ServiceUrl("/vexmora/registerclient.jsp?EMAIL=") + Encode(email) +
         "&EMAIL2=" + Encode(email2) + "&PASSWORD=" + Encode(password) +
         "&PASSWORD2=" + Encode(password2) + "&REGBUT=AGREE";
}

std::string MakeNewAddressUrl(const std::string& email, const std::string& password,
                              const std::string& message, const std::string& prefixWord,
                              const std::string& customPrefix) {
  return ServiceUrl("/vexmora/generateaccountclient.jsp?username=") + Encode(email) +
         "&password=" + Encode(password) + "&MESSAGE=" + Encode(message) +
         "&sub=" + Encode(prefixWord) + "&customsub=" + Encode(customPrefix);
}

std::string MakeViewLogUrl(const std::string& email, const std::string& password) {
  return ServiceUrl("/vexmora/validate.jsp?username=") + Encode(email) +
         "&password=" + Encode(password);
}

std::string AddressFromReply(std::string reply) {
  reply.erase(0, reply.find_first_not_of('\r'));
  reply.erase(0, reply.find_first_not_of('\n'));
  reply.erase(reply.find_last_not_of('\n') + 1);
  reply.erase(reply.find_last_not_of('\r') + 1);
  return reply + "@" + MailDomain;
}
