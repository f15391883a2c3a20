// The tests' side of the local HTTPS login service.
#include "tests/support/login_service/test_login_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "auth/login_service.h"
#include "platform/http_transport.h"

namespace tarvio::test {

namespace stdfs = std::filesystem;

namespace {

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) {
    throw std::runtime_error(std::string(name) +
                             " is not set: run this test through tests/support/login_service/login_service.py");
  }
  return value;
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return text;
}

const std::map<int, const char*> reasons = {
    {200, "OK"}, {302, "Found"}, {401, "Unauthorized"}, {404, "Not Found"}, {500, "Internal Server Error"},
    {503, "Service Unavailable"}};

}  // namespace

std::vector<std::string> RecordedRequest::values(const std::string& name) const {
  std::vector<std::string> out;
  for (const auto& [n, v] : headers) {
    if (lower(n) == lower(name)) out.push_back(v);
  }
  return out;
}

std::vector<std::string> RecordedRequest::names() const {
  std::vector<std::string> out;
  for (const auto& header : headers) out.push_back(header.first);
  return out;
}

Answer json(int status, std::string body, std::string reason) {
  Answer a;
  a.status = status;
  auto known = reasons.find(status);
  a.reason = !reason.empty() ? reason : (known != reasons.end() ? known->second : "Status");
  a.body = std::move(body);
  return a;
}

std::string timeOutCode() {
#ifdef _WIN32
  return "(12002)";
#else
  return "(28)";
#endif
}

LoginService::LoginService()
    : folder_(variable("TARVIO_TEST_LOGIN_SERVICE")),
      port_(variable("TARVIO_TEST_LOGIN_PORT")),
      otherPort_(variable("TARVIO_TEST_LOGIN_OTHER_PORT")),
      roguePort_(variable("TARVIO_TEST_LOGIN_ROGUE_PORT")),
      revokedPort_(variable("TARVIO_TEST_LOGIN_REVOKED_PORT")),
      listenerPort_(variable("TARVIO_TEST_LOGIN_LISTENER_PORT")),
      silentPort_(variable("TARVIO_TEST_LOGIN_SILENT_PORT")),
      proxyPort_(variable("TARVIO_TEST_LOGIN_PROXY_PORT")) {
#ifndef _WIN32
  setTrustedAuthorityFileForTests((stdfs::path(folder_) / "ca.pem").string());
#endif
  login_service::setServiceRootForTests(root());
  for (const char* sub : {"answers", "requests", "listener", "silent", "proxy"}) {
    stdfs::remove_all(stdfs::path(folder_) / sub);
    stdfs::create_directories(stdfs::path(folder_) / sub);
  }
}

LoginService::~LoginService() {
  login_service::setServiceRootForTests("");
#ifndef _WIN32
  setTrustedAuthorityFileForTests("");
#endif
}

std::string LoginService::root() const { return "https://localhost:" + port_; }
std::string LoginService::otherRoot() const { return "https://localhost:" + otherPort_; }
std::string LoginService::rogueRoot() const { return "https://localhost:" + roguePort_; }
std::string LoginService::revokedRoot() const { return "https://localhost:" + revokedPort_; }

namespace {

// The contents of folder/N for N = 1, 2, ... up to the first that is missing.
std::vector<std::string> numberedFiles(const stdfs::path& folder) {
  std::vector<std::string> out;
  for (int n = 1;; ++n) {
    std::ifstream in(folder / std::to_string(n), std::ios::binary);
    if (!in) break;
    out.emplace_back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return out;
}

}  // namespace

std::vector<std::string> LoginService::listenerConnections() const {
  return numberedFiles(stdfs::path(folder_) / "listener");
}

std::vector<std::string> LoginService::proxyRequests() const { return numberedFiles(stdfs::path(folder_) / "proxy"); }

size_t LoginService::silentConnections() const {
  size_t n = 0;
  while (stdfs::exists(stdfs::path(folder_) / "silent" / std::to_string(n + 1))) ++n;
  return n;
}

void LoginService::answer(int number, const Answer& a) {
  std::ostringstream text;
  text << "status " << a.status << " " << a.reason << "\n";
  for (const auto& [name, value] : a.headers) text << "header " << name << ": " << value << "\n";
  if (a.delaySeconds > 0) text << "delay " << a.delaySeconds << "\n";
  if (a.trickleSeconds > 0) text << "trickle " << a.trickleSeconds << "\n";
  if (a.close) text << "close\n";
  text << "body\n" << a.body;
  auto path = stdfs::path(folder_) / "answers" / std::to_string(number);
  std::ofstream out(path, std::ios::binary);
  out << text.str();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<RecordedRequest> LoginService::requests() const {
  std::vector<RecordedRequest> out;
  for (int n = 1;; ++n) {
    std::ifstream in(stdfs::path(folder_) / "requests" / std::to_string(n), std::ios::binary);
    if (!in) break;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    RecordedRequest r;
    auto headEnd = data.find("\r\n\r\n");
    std::string head = data.substr(0, headEnd);
    r.body = headEnd == std::string::npos ? std::string() : data.substr(headEnd + 4);
    std::istringstream lines(head);
    std::string line;
    std::getline(lines, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream requestLine(line);
    requestLine >> r.method >> r.path;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      auto colon = line.find(": ");
      if (colon != std::string::npos) r.headers.emplace_back(line.substr(0, colon), line.substr(colon + 2));
    }
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace tarvio::test
