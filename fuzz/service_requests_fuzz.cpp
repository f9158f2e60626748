// Builds the three request URLs from arbitrary values and decodes every value out of the query
// again: each must come back as it was typed, and the URL must hold nothing a request line
// cannot carry raw. Also trims arbitrary replies into addresses against the plain rule.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "service/service_requests.h"

namespace {

bool IsUnreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The query's values in order, percent-decoded; a malformed escape is a finding.
std::vector<std::string> DecodedValues(const std::string& url, const std::string& page) {
  const std::string start = std::string("http://") + ServiceHost + page + "?";
  if (url.compare(0, start.size(), start) != 0) Finding("the URL does not start with its page");
  std::vector<std::string> values;
  std::size_t at = start.size();
  while (at <= url.size()) {
    const std::size_t amp = std::min(url.find('&', at), url.size());
    const std::size_t eq = url.find('=', at);
    if (eq == std::string::npos || eq > amp) Finding("a parameter without a value");
    std::string value;
    for (std::size_t i = eq + 1; i < amp; ++i) {
      const char c = url[i];
      if (c == '%') {
        if (i + 2 >= amp) Finding("a cut escape");
        const int high = HexValue(url[i + 1]), low = HexValue(url[i + 2]);
        if (high < 0 || low < 0) Finding("a malformed escape");
        value += static_cast<char>(high * 16 + low);
        i += 2;
      } else if (IsUnreserved(c)) {
        value += c;
      } else {
        Finding("a raw byte a value must not carry");
      }
    }
    values.push_back(value);
    at = amp + 1;
  }
  return values;
}

void Expect(const std::vector<std::string>& got, const std::vector<std::string>& typed) {
  if (got != typed) Finding("a value did not decode back to itself");
}

std::string PlainTrim(const std::string& reply) {
  std::size_t begin = 0, end = reply.size();
  while (begin < end && reply[begin] == '\r') ++begin;
  while (begin < end && reply[begin] == '\n') ++begin;
  while (end > begin && reply[end - 1] == '\n') --end;
  while (end > begin && reply[end - 1] == '\r') --end;
  return reply.substr(begin, end - begin);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  std::string v[5];
  for (std::string& value : v) value = input.String();

  switch (input.Byte() % 3) {
    case 0:
      Expect(DecodedValues(MakeRegisterUrl(v[0], v[1], v[2], v[3]), "/vexmora/registerclient.jsp"),
             {v[0], v[1], v[2], v[3], "AGREE"});
      break;
    case 1:
      Expect(DecodedValues(MakeNewAddressUrl(v[0], v[1], v[2], v[3], v[4]),
                           "/vexmora/generateaccountclient.jsp"),
             {v[0], v[1], v[2], v[3], v[4]});
      break;
    default:
      Expect(DecodedValues(MakeViewLogUrl(v[0], v[1]), "/vexmora/validate.jsp"), {v[0], v[1]});
  }

  const std::string reply(input.Rest());
  if (AddressFromReply(reply) != PlainTrim(reply) + "@" + MailDomain) {
    Finding("the address differs from the plain trim");
  }
  return 0;
}
