// The tests' side of the local HTTPS login service (login_service.py): where it listens, what it
// answers, and every request it received.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tarvio::test {

struct RecordedRequest {
  std::string method;
  std::string path;
  std::vector<std::pair<std::string, std::string>> headers;  // in the order received
  std::string body;                                          // bytes

  // Values of every header of that name (letter case ignored), in order.
  std::vector<std::string> values(const std::string& name) const;
  // Names of the headers in the order received.
  std::vector<std::string> names() const;
};

struct Answer {
  int status = 200;
  std::string reason = "OK";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers = {{"Content-Type", "application/json"}};
  double delaySeconds = 0;
  double trickleSeconds = 0;  // after the head, the body one byte at a time, this long before each
  bool close = false;         // close the connection without an answer
};

class LoginService {
 public:
  // Reads where the service runs from the variables that login_service.py sets, trusts its test
  // authority (libcurl builds; under Wine the service has trusted it in the prefix), points the
  // login client at it and forgets the answers and requests of earlier tests. Fails the test when
  // the binary does not run inside login_service.py.
  LoginService();
  ~LoginService();

  // "https://localhost:<port>" of the service with the trusted certificate, of the same service on
  // another port (another origin), and of the one whose certificate nobody trusts.
  std::string root() const;
  std::string otherRoot() const;
  std::string rogueRoot() const;
  // "https://localhost:<port>" of a service whose certificate its authority has revoked.
  std::string revokedRoot() const;
  std::string port() const { return port_; }

  // Plain TCP ports that never answer: the listener records what each connection sent and closes
  // it once a request has arrived; the silent one accepts and then sends nothing, ever.
  std::string listenerPort() const { return listenerPort_; }
  std::string silentPort() const { return silentPort_; }
  // The bytes each connection to the listener sent, in the order of the connections.
  std::vector<std::string> listenerConnections() const;
  // How many connections the silent port accepted.
  size_t silentConnections() const;

  // An HTTP proxy that tunnels CONNECT requests to 127.0.0.1, and the request lines it received.
  std::string proxyPort() const { return proxyPort_; }
  std::vector<std::string> proxyRequests() const;

  // What to answer to the number-th request (1, 2, ...); later requests get the last answer set.
  void answer(int number, const Answer& answer);
  // The requests received so far, in order.
  std::vector<RecordedRequest> requests() const;

 private:
  std::string folder_;
  std::string port_;
  std::string otherPort_;
  std::string roguePort_;
  std::string revokedPort_;
  std::string listenerPort_;
  std::string silentPort_;
  std::string proxyPort_;
};

// An Answer with that status and a JSON body.
Answer json(int status, std::string body, std::string reason = "");

// How the HTTP layer's description of a time-out ends: the error code in parentheses (libcurl's
// CURLE_OPERATION_TIMEDOUT, WinHTTP's ERROR_WINHTTP_TIMEOUT).
std::string timeOutCode();

}  // namespace tarvio::test
