#pragma once

#include "iac/IacListener.h"
#include "iac/InternetAccessControllerResponse.h"
#include "iac/ProxyAuthenticator.h"
#include "net/HttpController.h"
#include "net/HttpRequest.h"
#include "net/HttpResponse.h"
#include "platform/CMapStringToString.h"
#include "platform/CString.h"
#include "platform/Export.h"

class IacAuthenticationResponse;

// The client's handle on one search server: its URL, the session (open or
// closed) and the transport. Before every operation it logs the user in if
// the session is not open, tells the listener of every account condition on
// the way, notices from the server's error pages when the session is lost,
// and says goodbye ("UserDisconnection") when it is disconnected or
// destroyed. Servers whose URL ends in "cgi" or "XMLServerUserRequest" need
// no login. As a listener itself it prompts nobody and ignores every event:
// the overloads without a listener use it.
//
// Operations that deliver a text through a CString& leave it untouched when
// nothing arrived (login refused or declined, no status, a status other than
// 200): clear it first to tell the two apart. A login answer that is not
// well-formed XML throws _com_error out of the operation. One call at a time,
// on the caller's thread.
class SORREL_EXPORT InternetAccessController : public IacListener {
 public:
  // The name of the server's session cookie, "JSESSIONID".
  static CString SESSION_ID_COOKIE_NAME;

  // No network traffic; the session starts closed. `proxyAuthenticator` is
  // kept by reference and must outlive the controller.
  InternetAccessController(CString& url, ProxyAuthenticator& proxyAuthenticator);
  // Disconnect() first: an open session of a server that needs a login sends
  // its "UserDisconnection".
  virtual ~InternetAccessController();
  InternetAccessController(const InternetAccessController&) = delete;
  InternetAccessController& operator=(const InternetAccessController&) = delete;

  // The embedded transport, owned by the controller.
  HttpController& GetHttpController();
  // Marks the session closed without telling the server.
  void ResetAuthentication();
  // Opens the session if needed; true when it is open.
  bool TestConnection(IacListener& listener);

  // `url` up to and including its last "/"; `url` itself when it has none.
  static CString GetRootUrl(CString url);
  // The URL's path ends in "cgi".
  static bool IsCGIXmlServer(CString& url);
  // IsCGIXmlServer, or the path ends in "XMLServerUserRequest".
  static bool IsXmlServer(CString& url);

  // `xml` = the server's information about database `base`, asked at `url`.
  void GetBaseInfo(CString& url, CString& base, CString& xml, IacListener& listener);
  void GetBaseInfo(CString& url, CString& base, CString& xml);
  // `text` = the text file `file` of database `base`; true when it arrived.
  bool GetTextFile(CString& url, CString& base, CString& file, CString& text,
                   IacListener& listener);
  bool GetTextFile(CString& url, CString& base, CString& file, CString& text);
  // `xml` = the list of databases.
  void GetDatabaseListAsXml(CString& xml, IacListener& listener);
  void GetDatabaseListAsXml(CString& xml);
  // `result` = the answer to `question` in `base`, `size` records from
  // record `position`; the pairs of `parameters` go after the fixed ones and
  // replace a fixed one of the same name.
  void ExecuteQuery(CString& base, CString& question, CMapStringToString& parameters, int position,
                    int size, CString& result, IacListener& listener);
  void ExecuteQuery(CString& base, CString& question, CMapStringToString& parameters, int position,
                    int size, CString& result);
  // `result` = the server's check of `question`, which it does not run.
  void ParseQuery(CString& base, CString& question, CMapStringToString& parameters, CString& result,
                  IacListener& listener);
  void ParseQuery(CString& base, CString& question, CMapStringToString& parameters,
                  CString& result);

  // The account page and the welcome page of the server, without the user
  // and password of the URL and with the port written out. No traffic.
  CString GetUserAccountPageUrl();
  CString GetWelcomePageUrl();
  // Open the page with "?accountError=N" in the default browser.
  void OpenUserAccountPage(int accountError);
  void OpenUserAccountPage();
  void OpenWelcomePage(int accountError);
  void OpenWelcomePage();

  // As a listener: declines both credential requests, ignores every event.
  bool GetAuthentication(HttpRequest& request, CString& userName, CString& password) override;
  bool GetProxyAuthentication(HttpRequest& request, CString& userName, CString& password) override;
  void OnConnectionFailed(InternetAccessController& controller) override;
  void OnAuthenticationFailed(InternetAccessController& controller) override;
  void OnAccessDenied(InternetAccessController& controller) override;
  void OnAccountDisabled(InternetAccessController& controller) override;
  void OnCustomerAccountDisabled(InternetAccessController& controller) override;
  void OnCustomerSubscriptionExpired(InternetAccessController& controller) override;
  void OnAccountValidationRequired(InternetAccessController& controller) override;
  void OnPreviousSessionClosed(InternetAccessController& controller) override;
  void OnErrorCode(InternetAccessController& controller, unsigned long statusCode) override;
  void OnSharingAccountException(InternetAccessController& controller) override;
  void OnSessionHasExpired(InternetAccessController& controller) override;
  void OnUnauthenticatedUser(InternetAccessController& controller) override;
  void OnPasswordExpired(InternetAccessController& controller) override;

 private:
  // One login exchange; the caller owns the result.
  InternetAccessControllerResponse* Authenticate(HttpRequest& request, IacListener& listener);
  InternetAccessControllerResponse* Authenticate(HttpRequest& request);
  // Sends through the transport, then closes the session when the answer
  // is one of the server's lost-session pages. Never null; the caller owns it.
  HttpResponse* Connect(HttpRequest& request, IacListener& listener);
  HttpResponse* Connect(HttpRequest& request);
  // Closes the session, saying goodbye to a server that needs a login.
  void Disconnect(IacListener& listener);
  void Disconnect();
  // Opens the session if it is closed, asking the listener for new
  // credentials after each refused login; false when the listener declines,
  // or answers the very credentials that were just refused.
  bool AuthenticateIfNeeded(IacListener& listener);
  // Reads the login answer's seven flags; throws _com_error for a text that
  // is not well-formed XML.
  static IacAuthenticationResponse ParseAuthenticationResponse(CString& xml);

  // The fixed pattern of the operations: login, send, keep a 200 body.
  bool Exchange(HttpRequest& request, IacListener& exchangeListener, CString& output);
  void SetProxyCredentials(HttpRequest& request);
  CString AccountPageUrl(const char* page);

  CString url_;                             // the URL the controller was made for
  CString rootUrl_;                         // url_ up to its last "/"
  bool xmlServer_;                          // the server needs no login
  HttpController httpController_;           // the transport
  CString sessionCookie_;                   // read after a login; logged only
  ProxyAuthenticator& proxyAuthenticator_;  // source of proxy credentials
  bool authenticated_ = false;              // the session is open
};
