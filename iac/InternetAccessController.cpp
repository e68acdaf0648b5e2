#include "iac/InternetAccessController.h"

#include <memory>

#include "iac/IacAuthenticationResponse.h"
#include "net/ParsedUrl.h"
#include "net/WebUtil.h"
#include "platform/DiagnosticSink.h"
#include "support/Crypto.h"
#include "support/StringUtil.h"
#include "xml/XmlDocument.h"

CString InternetAccessController::SESSION_ID_COOKIE_NAME = "JSESSIONID";

namespace {

constexpr unsigned long kStatusOk = 200;

// A listener event about the controller that fires it.
using Event = void (IacListener::*)(InternetAccessController&);

// The error pages with which the server ends a session, in the order they
// are looked for in a page's title, with the event each one fires.
struct LostSessionPage {
  const char* name;
  Event event;
};
constexpr LostSessionPage kLostSessionPages[] = {
    {"SharingAccountException", &IacListener::OnSharingAccountException},
    {"ExpiredSessionException", &IacListener::OnSessionHasExpired},
    {"UnauthenticatedUserException", &IacListener::OnUnauthenticatedUser},
};

// The conditions of a login answer that keep the session closed, in the
// order they are checked: a flag, the value that refuses, the event fired.
struct Refusal {
  bool IacAuthenticationResponse::*flag;
  bool refusing;
  Event event;
};
constexpr Refusal kRefusals[] = {
    {&IacAuthenticationResponse::authenticated, false, &IacListener::OnAuthenticationFailed},
    {&IacAuthenticationResponse::accountEnabled, false, &IacListener::OnAccountDisabled},
    {&IacAuthenticationResponse::customerAccountEnabled, false,
     &IacListener::OnCustomerAccountDisabled},
    {&IacAuthenticationResponse::customerSubscriptionValid, false,
     &IacListener::OnCustomerSubscriptionExpired},
    {&IacAuthenticationResponse::passwordExpired, true, &IacListener::OnPasswordExpired},
    {&IacAuthenticationResponse::accountValidationRequired, true,
     &IacListener::OnAccountValidationRequired},
};

// The event of the first condition of `answer` that refuses the login; null
// when the session may open.
Event RefusalEvent(const IacAuthenticationResponse& answer) {
  for (const Refusal& refusal : kRefusals) {
    if (answer.*refusal.flag == refusal.refusing) return refusal.event;
  }
  return nullptr;
}

bool EndsWith(const CString& text, const char* suffix) {
  const CString ending(suffix);
  return text.GetLength() >= ending.GetLength() && text.Right(ending.GetLength()) == ending;
}

}  // namespace

InternetAccessController::InternetAccessController(CString& url,
                                                   ProxyAuthenticator& proxyAuthenticator)
    : url_(url),
      rootUrl_(GetRootUrl(url)),
      xmlServer_(IsXmlServer(url)),
      proxyAuthenticator_(proxyAuthenticator) {}

InternetAccessController::~InternetAccessController() { Disconnect(); }

HttpController& InternetAccessController::GetHttpController() { return httpController_; }

void InternetAccessController::ResetAuthentication() { authenticated_ = false; }

bool InternetAccessController::TestConnection(IacListener& listener) {
  return AuthenticateIfNeeded(listener);
}

CString InternetAccessController::GetRootUrl(CString url) {
  const int slash = url.ReverseFind('/');
  return slash < 0 ? url : url.Left(slash + 1);
}

bool InternetAccessController::IsCGIXmlServer(CString& url) {
  return EndsWith(WebUtil::ParseUrl(url).object, "cgi");
}

bool InternetAccessController::IsXmlServer(CString& url) {
  return IsCGIXmlServer(url) || EndsWith(WebUtil::ParseUrl(url).object, "XMLServerUserRequest");
}

// --- the session -----------------------------------------------------------

HttpResponse* InternetAccessController::Connect(HttpRequest& request, IacListener& listener) {
  // Every request of the session (login, operations, goodbye) carries the
  // client's proxy credentials, unless the caller set its own.
  if (!request.IsProxyAuthenticationEnabled()) SetProxyCredentials(request);
  HttpResponse* response = httpController_.Connect(request, listener);
  if (!response->IsConnectionSuccessful()) {
    httpController_.DisplayLastError();
    return response;
  }
  if (response->GetStatusCode() != kStatusOk) {
    const CString message = httpController_.FormatErrorMessage(*response);
    for (const LostSessionPage& page : kLostSessionPages) {
      if (message.Find(page.name) >= 0) {
        (listener.*page.event)(*this);
        authenticated_ = false;
        break;
      }
    }
  }
  return response;
}

HttpResponse* InternetAccessController::Connect(HttpRequest& request) {
  return Connect(request, *this);
}

InternetAccessControllerResponse* InternetAccessController::Authenticate(HttpRequest& request,
                                                                         IacListener& listener) {
  // Owned here until returned, so that a _com_error from the answer's parse
  // does not leak it.
  auto result = std::make_unique<InternetAccessControllerResponse>();
  result->SetConnectionSuccessful(false);
  result->SetAccessAuthorized(false);

  CString requestUrl = request.GetUrl();
  if (IsXmlServer(requestUrl)) {
    // No user login here: the session is open as soon as the server answers.
    result->SetAccessAuthorized(true);
    std::unique_ptr<HttpResponse> response(Connect(request, listener));
    result->SetConnectionSuccessful(response->IsConnectionSuccessful());
    authenticated_ = response->IsConnectionSuccessful();
    return result.release();
  }

  HttpRequest login(rootUrl_ + "UserAuthentication");
  CString password = request.GetPassword();
  CString digest;
  if (!Crypto::HashString(password, digest)) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     "(InternetAccessController::Authenticate) the password digest failed");
  }
  login.SetParameter("iac_user", request.GetUserName());
  login.SetParameter("iac_pwd", digest);

  HttpResponse* response = Connect(login, listener);
  result->SetHttpResponse(response);
  result->SetConnectionSuccessful(response->IsConnectionSuccessful());
  if (!response->IsConnectionSuccessful()) {
    listener.OnConnectionFailed(*this);
    return result.release();
  }
  if (response->GetStatusCode() != kStatusOk) {
    listener.OnErrorCode(*this, response->GetStatusCode());
    return result.release();
  }

  CString text;
  response->GetString(text);
  ReportDiagnostic(DiagnosticLevel::kDebug, text.c_str());
  if (const Event refused = RefusalEvent(ParseAuthenticationResponse(text))) {
    (listener.*refused)(*this);
  } else {
    authenticated_ = true;
    result->SetAccessAuthorized(true);
    sessionCookie_ = HttpController::GetCookie(request, SESSION_ID_COOKIE_NAME);
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     (SESSION_ID_COOKIE_NAME + ":" + sessionCookie_).c_str());
  }
  return result.release();
}

InternetAccessControllerResponse* InternetAccessController::Authenticate(HttpRequest& request) {
  return Authenticate(request, *this);
}

bool InternetAccessController::AuthenticateIfNeeded(IacListener& listener) {
  if (authenticated_) return true;
  HttpRequest request(url_);
  for (;;) {
    delete Authenticate(request, listener);
    if (authenticated_) return true;
    CString userName;
    CString password;
    if (!listener.GetAuthentication(request, userName, password)) return false;
    // A listener that answers the credentials just refused would be asked
    // forever; take that answer as giving up.
    if (userName == request.GetUserName() && password == request.GetPassword()) {
      ReportDiagnostic(DiagnosticLevel::kDebug,
                       "(InternetAccessController::AuthenticateIfNeeded) the listener repeated "
                       "the refused credentials; giving up");
      return false;
    }
    request.SetUserName(userName);
    request.SetPassword(password);
  }
}

void InternetAccessController::Disconnect(IacListener& listener) {
  if (!authenticated_) return;
  authenticated_ = false;
  if (xmlServer_) return;
  HttpRequest goodbye(rootUrl_ + "UserDisconnection");
  delete Connect(goodbye, listener);
}

void InternetAccessController::Disconnect() { Disconnect(*this); }

IacAuthenticationResponse InternetAccessController::ParseAuthenticationResponse(CString& xml) {
  // The flags in the order they are read. One text serves every query, so an
  // element that is missing takes the value of the one read before it.
  struct Flag {
    const char* element;
    bool IacAuthenticationResponse::*field;
  };
  static constexpr Flag kFlags[] = {
      {"/authenticated", &IacAuthenticationResponse::authenticated},
      {"/accountEnabled", &IacAuthenticationResponse::accountEnabled},
      {"/customerAccountEnabled", &IacAuthenticationResponse::customerAccountEnabled},
      {"/customerSubscriptionValid", &IacAuthenticationResponse::customerSubscriptionValid},
      {"/passwordExpired", &IacAuthenticationResponse::passwordExpired},
      {"/accountValidationRequired", &IacAuthenticationResponse::accountValidationRequired},
      {"/previousSessionClosed", &IacAuthenticationResponse::previousSessionClosed},
  };
  IacAuthenticationResponse answer;
  XmlDocument document(xml);
  CString text;
  for (const Flag& flag : kFlags) {
    CString path = CString("/authentication") + flag.element;
    document.GetNodeText(path, text);
    answer.*flag.field = StringUtil::StringToBoolean(text);
  }
  return answer;
}

// --- the operations --------------------------------------------------------

void InternetAccessController::SetProxyCredentials(HttpRequest& request) {
  request.SetProxyUserName(proxyAuthenticator_.GetProxyUserName());
  request.SetProxyPassword(proxyAuthenticator_.GetProxyPassword());
}

bool InternetAccessController::Exchange(HttpRequest& request, IacListener& exchangeListener,
                                        CString& output) {
  std::unique_ptr<HttpResponse> response(Connect(request, exchangeListener));
  if (!response->IsConnectionSuccessful() || response->GetStatusCode() != kStatusOk) return false;
  response->GetString(output);
  return true;
}

void InternetAccessController::GetBaseInfo(CString& url, CString& base, CString& xml,
                                           IacListener& listener) {
  if (!AuthenticateIfNeeded(listener)) return;
  HttpRequest request(url);
  request.SetParameter("iac_op", "2");
  request.SetParameter("iac_base", base);
  request.SetParameter("action", "infos");
  request.SetParameter("version", "2.20");
  const CString sent = "(InternetAccessControl::GetBaseInfo) httpRequest : " + request.GetUrl() +
                       "?" + request.GetQueryString();
  ReportDiagnostic(DiagnosticLevel::kDebug, sent.c_str());
  Exchange(request, *this, xml);
  ReportDiagnostic(DiagnosticLevel::kDebug,
                   ("(InternetAccessControl::GetBaseInfo) XML :" + xml).c_str());
}

void InternetAccessController::GetBaseInfo(CString& url, CString& base, CString& xml) {
  GetBaseInfo(url, base, xml, *this);
}

bool InternetAccessController::GetTextFile(CString& url, CString& base, CString& file,
                                           CString& text, IacListener& listener) {
  if (!AuthenticateIfNeeded(listener)) return false;
  const CString target = IsCGIXmlServer(url) ? GetRootUrl(url) + "getfile.cgi" : url;
  HttpRequest request(target);
  if (IsXmlServer(url)) {
    // The script's own name with its extension turned into "ini":
    // search.cgi gives search.ini.
    const CString object = WebUtil::ParseUrl(url).object;
    const int slash = object.ReverseFind('/');
    CString param = slash < 0 ? object : object.Mid(slash + 1);
    const int dot = param.ReverseFind('.');
    const CString extension = dot < 0 ? param : param.Mid(dot + 1);
    param.Replace(extension, "ini");
    request.SetParameter("base", base);
    request.SetParameter("param", param);
    request.SetParameter("file", file);
    request.SetParameter("action", "f");
  } else {
    request.SetParameter("action", "f");
    request.SetParameter("iac_op", "3");
    request.SetParameter("iac_base", base);
    request.SetParameter("iac_file", file);
  }
  return Exchange(request, *this, text);
}

bool InternetAccessController::GetTextFile(CString& url, CString& base, CString& file,
                                           CString& text) {
  return GetTextFile(url, base, file, text, *this);
}

void InternetAccessController::GetDatabaseListAsXml(CString& xml, IacListener& listener) {
  if (!AuthenticateIfNeeded(listener)) return;
  HttpRequest request(url_);
  request.SetParameter("action", "infos");
  request.SetParameter("version", "2.20");
  request.SetParameter("iac_op", "1");
  Exchange(request, listener, xml);
}

void InternetAccessController::GetDatabaseListAsXml(CString& xml) {
  GetDatabaseListAsXml(xml, *this);
}

namespace {

void AddCallerParameters(HttpRequest& request, CMapStringToString& parameters) {
  POSITION position = parameters.GetStartPosition();
  while (position != nullptr) {
    CString name;
    CString value;
    parameters.GetNextAssoc(position, name, value);
    request.SetParameter(name, value);
  }
}

}  // namespace

void InternetAccessController::ExecuteQuery(CString& base, CString& question,
                                            CMapStringToString& parameters, int position, int size,
                                            CString& result, IacListener& listener) {
  if (!AuthenticateIfNeeded(listener)) return;
  HttpRequest request(url_);
  request.SetParameter("iac_op", "2");
  request.SetParameter("iac_base", base);
  request.SetParameter("action", "r");
  request.SetParameter("version", "2.20");
  request.SetParameter("position", StringUtil::IntToString(position));
  request.SetParameter("hits", "1");
  request.SetParameter("fichier_ktf", "auto");
  request.SetParameter("taille", StringUtil::IntToString(size));
  request.SetParameter("base", base);
  request.SetParameter("question", question);
  AddCallerParameters(request, parameters);
  Exchange(request, listener, result);
}

void InternetAccessController::ExecuteQuery(CString& base, CString& question,
                                            CMapStringToString& parameters, int position, int size,
                                            CString& result) {
  ExecuteQuery(base, question, parameters, position, size, result, *this);
}

void InternetAccessController::ParseQuery(CString& base, CString& question,
                                          CMapStringToString& parameters, CString& result,
                                          IacListener& listener) {
  if (!AuthenticateIfNeeded(listener)) return;
  HttpRequest request(url_);
  request.SetParameter("iac_op", "2");
  request.SetParameter("iac_base", base);
  request.SetParameter("action", "p");
  request.SetParameter("version", "2.20");
  request.SetParameter("hits", "0");
  request.SetParameter("fichier_ktf", "auto");
  request.SetParameter("base", base);
  request.SetParameter("question", question);
  AddCallerParameters(request, parameters);
  Exchange(request, listener, result);
}

void InternetAccessController::ParseQuery(CString& base, CString& question,
                                          CMapStringToString& parameters, CString& result) {
  ParseQuery(base, question, parameters, result, *this);
}

// --- the account pages -----------------------------------------------------

CString InternetAccessController::AccountPageUrl(const char* page) {
  ParsedUrl parsed = WebUtil::ParseUrl(rootUrl_);
  return WebUtil::BuildUnauthenticatedUrl(parsed) + page;
}

CString InternetAccessController::GetUserAccountPageUrl() {
  return AccountPageUrl("AuthenticationForm");
}

CString InternetAccessController::GetWelcomePageUrl() { return AccountPageUrl("Welcome"); }

void InternetAccessController::OpenUserAccountPage(int accountError) {
  CString page = GetUserAccountPageUrl() + "?accountError=" + StringUtil::IntToString(accountError);
  WebUtil::OpenDefaultBrowser(page);
}

void InternetAccessController::OpenUserAccountPage() { OpenUserAccountPage(0); }

void InternetAccessController::OpenWelcomePage(int accountError) {
  CString page = GetWelcomePageUrl() + "?accountError=" + StringUtil::IntToString(accountError);
  WebUtil::OpenDefaultBrowser(page);
}

void InternetAccessController::OpenWelcomePage() { OpenWelcomePage(0); }

// --- the controller as its own, silent listener ----------------------------

bool InternetAccessController::GetAuthentication(HttpRequest&, CString&, CString&) { return false; }
bool InternetAccessController::GetProxyAuthentication(HttpRequest&, CString&, CString&) {
  return false;
}
void InternetAccessController::OnConnectionFailed(InternetAccessController&) {}
void InternetAccessController::OnAuthenticationFailed(InternetAccessController&) {}
void InternetAccessController::OnAccessDenied(InternetAccessController&) {}
void InternetAccessController::OnAccountDisabled(InternetAccessController&) {}
void InternetAccessController::OnCustomerAccountDisabled(InternetAccessController&) {}
void InternetAccessController::OnCustomerSubscriptionExpired(InternetAccessController&) {}
void InternetAccessController::OnAccountValidationRequired(InternetAccessController&) {}
void InternetAccessController::OnPreviousSessionClosed(InternetAccessController&) {}
void InternetAccessController::OnErrorCode(InternetAccessController&, unsigned long) {}
void InternetAccessController::OnSharingAccountException(InternetAccessController&) {}
void InternetAccessController::OnSessionHasExpired(InternetAccessController&) {}
void InternetAccessController::OnUnauthenticatedUser(InternetAccessController&) {}
void InternetAccessController::OnPasswordExpired(InternetAccessController&) {}
