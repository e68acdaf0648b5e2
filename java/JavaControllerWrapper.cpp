#include "java/JavaControllerWrapper.h"

#include "java/JavaController.h"

JavaControllerWrapper::JavaControllerWrapper() : controller_(new JavaController) {}

JavaControllerWrapper::~JavaControllerWrapper() { delete controller_; }

bool JavaControllerWrapper::IsInitialized() { return controller_->IsInitialized(); }

void JavaControllerWrapper::SetJavaHome(CString& path) { controller_->SetJavaHome(path); }

void JavaControllerWrapper::SetClassPath(CString& path) { controller_->SetClassPath(path); }

void JavaControllerWrapper::SetLibraryPath(CString& path) { controller_->SetLibraryPath(path); }

void JavaControllerWrapper::Initialize() { controller_->Initialize(); }

void JavaControllerWrapper::Uninitialize() { controller_->Uninitialize(); }

void JavaControllerWrapper::SetProxySettings(CString& host, int port, CString& user,
                                             CString& password) {
  controller_->SetProxySettings(host, port, user, password);
}

void JavaControllerWrapper::GetXmlData(LUXQuery& query, CString& result) {
  controller_->GetXmlData(query, result);
}

void JavaControllerWrapper::XmlToXhtml(CString& xml, CString& styleSheetPath, CString& parameters,
                                       CString& xhtml, CString& warnings) {
  controller_->XmlToXhtml(xml, styleSheetPath, parameters, xhtml, warnings);
}
