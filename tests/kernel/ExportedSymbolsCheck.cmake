# Lists the library's exported symbols with `nm -D --defined-only -C` and
# checks that the public classes are there and internal helpers are not.
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${NM} -D --defined-only -C ${LIBRARY}
  RESULT_VARIABLE result OUTPUT_VARIABLE symbols ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nm failed: ${err}")
endif()

set(public
  # the compatibility layer
  "CString::CString" "CStringArray::Add" "CStringList::CStringList"
  "CMapStringToString::CMapStringToString" "CMapStringToPtr::CMapStringToPtr"
  "CMemFile::Write" "CWnd::SetWindowPos" "CWinApp::CWinApp" "AfxMessageBox" "LoadLibraryA"
  "ReportDiagnostic" "SetDiagnosticHandler"
  # the library
  "CSORRELKernelApp::instance" "Crypto::HashString" "Crypto::encode"
  "StringUtil::IsInteger" "SystemUtil::DispatchMessages" "clArray::fnAdd"
  "Exception::GetMessageA" "JavaControllerException::JavaControllerException"
  "clKTF2SGML::fgKTF2SGML_BuildSGMLFile" "KtfDocumentReader::Parse" "tBlock::operator="
  "JavaControllerWrapper::GetXmlData" "LUXQuery::SetSearchType"
  # the transport and the session on top of it
  "HttpController::Connect" "HttpRequest::GetQueryString" "WebUtil::ParseUrl"
  "InternetAccessController::ExecuteQuery" "InternetAccessControllers::GetInternetAccessController"
  "InternetAccessControllerResponse::SetHttpResponse" "ProxyAuthenticator::~ProxyAuthenticator")
# Helpers in anonymous namespaces, and the inline container templates that
# the exported classes are built on.
set(internal "(anonymous namespace)" "RunRc4" "OpenWithXdgOpen" "CStringKeyedMap<"
  "CTypedList<" "K2S_TemplateBuilder" "K2S_OutputFile" "k2s_parse" "k2s_lex"
  "JavaController::" "TrellisController::" "HttpTransfer::" "CurlShare::" "ByteBuffer::"
  "IacAuthenticationResponse::" "XmlDocument::")

set(problems "")
foreach(name IN LISTS public)
  string(FIND "${symbols}" "${name}" at)
  if(at EQUAL -1)
    string(APPEND problems "  missing public symbol: ${name}\n")
  endif()
endforeach()
foreach(name IN LISTS internal)
  string(FIND "${symbols}" "${name}" at)
  if(NOT at EQUAL -1)
    string(APPEND problems "  internal symbol exported: ${name}\n")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "export check of ${LIBRARY}:\n${problems}")
endif()
