#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/http_fetch.h"

namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr char kAcceptEntry[] = "Accept: */* \r\n";
constexpr char kAdditionalHeaders[] = "Accept: */*\r\n\r\n";
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;  // 0x84000000
constexpr DWORD kHostLimit = 256;
constexpr DWORD kPathLimit = 2048;
constexpr DWORD kUserLimit = 128;
constexpr DWORD kPasswordLimit = 128;
constexpr DWORD kChunkWithoutLength = 10240;
constexpr DWORD kLargestChunk = 102400;
// A server that never answers must not hold the program forever.
constexpr DWORD kTimeoutMs = 30000;
// A hostile server must not exhaust a 32-bit address space.
constexpr size_t kLargestBody = 64u * 1024 * 1024;

class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  ~InternetHandle() {
    if (handle_) InternetCloseHandle(handle_);
  }
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
};

std::mutex session_mutex;
HINTERNET session = nullptr;

// The one session of the process, opened by the first fetch that needs it.
HINTERNET Session() {
  std::lock_guard<std::mutex> lock(session_mutex);
  if (!session) session = InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  return session;
}

void SetTimeouts(HINTERNET handle) {
  DWORD timeout = kTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionA(handle, option, &timeout, sizeof(timeout));
  }
}

struct AddressParts {
  INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
  std::string host;
  INTERNET_PORT port = 0;
  std::string path;  // with the query
  std::string user;
  std::string password;
};

bool SplitAddress(const std::string& address, AddressParts* parts) {
  // No percent-encoding and no decoding: unsafe characters are sent as they stand.
  DWORD canonical_size = static_cast<DWORD>(address.size()) * 3 + 64;
  std::vector<char> canonical(canonical_size);
  if (!InternetCanonicalizeUrlA(address.c_str(), canonical.data(), &canonical_size, ICU_NO_ENCODE)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    canonical.resize(canonical_size + 1);
    canonical_size = static_cast<DWORD>(canonical.size());
    if (!InternetCanonicalizeUrlA(address.c_str(), canonical.data(), &canonical_size, ICU_NO_ENCODE)) return false;
  }

  char host[kHostLimit + 1] = {};
  std::vector<char> path(kPathLimit + 1);
  char user[kUserLimit + 1] = {};
  char password[kPasswordLimit + 1] = {};
  URL_COMPONENTSA components = {};
  components.dwStructSize = sizeof(components);
  components.lpszHostName = host;
  components.dwHostNameLength = sizeof(host);
  components.lpszUrlPath = path.data();
  components.dwUrlPathLength = static_cast<DWORD>(path.size());
  components.lpszUserName = user;
  components.dwUserNameLength = sizeof(user);
  components.lpszPassword = password;
  components.dwPasswordLength = sizeof(password);
  // No extra-information part, so the query stays in the path.
  if (!InternetCrackUrlA(canonical.data(), 0, 0, &components)) return false;

  parts->scheme = components.nScheme;
  parts->host = host;
  parts->port = components.nPort;
  parts->path = path.data();
  parts->user = user;
  parts->password = password;
  if (parts->port == 0) {
    parts->port = parts->scheme == INTERNET_SCHEME_HTTPS ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  }
  return !parts->host.empty();
}

// Reads the Content-Length header; 0 when absent or not a positive decimal number.
unsigned long long ContentLength(HINTERNET request) {
  char value[64] = {};
  DWORD size = sizeof(value) - 1;
  if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, value, &size, nullptr)) return 0;
  char* end = nullptr;
  const long long length = std::strtoll(value, &end, 10);
  return end != value && length > 0 ? static_cast<unsigned long long>(length) : 0;
}

}  // namespace

ByteString HttpFetch(const Text& address_text) {
  const std::string address = address_text.substr(0, address_text.find('\0'));
  if (address.empty()) return ByteString();

  AddressParts parts;
  if (!SplitAddress(address, &parts)) return ByteString();
  // Only http and https lead to a request.
  if (parts.scheme != INTERNET_SCHEME_HTTP && parts.scheme != INTERNET_SCHEME_HTTPS) return ByteString();
  const DWORD flags = kRequestFlags | (parts.scheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);

  HINTERNET session_handle = Session();
  if (!session_handle) return ByteString();

  InternetHandle connection(InternetConnectA(session_handle, parts.host.c_str(), parts.port,
                                             parts.user.empty() ? nullptr : parts.user.c_str(),
                                             parts.password.empty() ? nullptr : parts.password.c_str(),
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return ByteString();
  SetTimeouts(connection.get());

  const std::string target = parts.path.substr(0, parts.path.find('#'));
  LPCSTR accept_types[] = {kAcceptEntry, nullptr};
  InternetHandle request(
      HttpOpenRequestA(connection.get(), "GET", target.c_str(), "HTTP/1.0", nullptr, accept_types, flags, 0));
  if (!request) return ByteString();
  SetTimeouts(request.get());
  if (!HttpSendRequestA(request.get(), kAdditionalHeaders, sizeof(kAdditionalHeaders) - 1, nullptr, 0)) {
    return ByteString();
  }

  // The status code is not looked at: an error page's body is returned like any other.
  const unsigned long long content_length = ContentLength(request.get());
  const DWORD chunk_size = content_length > 0
                               ? static_cast<DWORD>(content_length + 1 < kLargestChunk ? content_length + 1 : kLargestChunk)
                               : kChunkWithoutLength;
  std::vector<char> chunk(chunk_size);
  ByteString body;
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request.get(), chunk.data(), chunk_size, &read)) return ByteString();
    if (read == 0) break;
    if (body.size() + read > kLargestBody) return ByteString();
    body.append(chunk.data(), read);
  }
  // A body cut short of its announced length is not the page: never pass it on as whole.
  if (content_length > 0 && body.size() < content_length) return ByteString();
  return body;
}

void CloseHttpSession() {
  std::lock_guard<std::mutex> lock(session_mutex);
  if (session) InternetCloseHandle(session);
  session = nullptr;
}
