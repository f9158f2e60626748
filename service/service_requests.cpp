#include "service/service_requests.h"

#include <curl/curl.h>

#include <memory>
#include <new>
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

std::string Encode(const std::string& value) {
  struct Free {
    void operator()(char* p) const { curl_free(p); }
  };
  const std::unique_ptr<char, Free> encoded(
      curl_easy_escape(nullptr, value.data(), static_cast<int>(value.size())));
  if (!encoded) throw std::bad_alloc();
  return encoded.get();
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
