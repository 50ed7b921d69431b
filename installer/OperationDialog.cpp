#include "OperationDialog.h"

#include "Message.h"
#include "module.h"
#include "resource.h"

OperationDialog::OperationDialog(HWND parent)
    : Dialog(IDD_OPERATION, parent),
      icon(LoadIconA(CurrentModule(), MAKEINTRESOURCEA(IDI_INSTALLER))),
      installRadio(*this, IDC_INSTALL_RADIO),
      uninstallRadio(*this, IDC_UNINSTALL_RADIO),
      nextButton(*this, IDC_NEXT_BUTTON),
      cancelButton(*this, IDCANCEL),
      statusText(*this, IDC_STATUS_TEXT),
      infFileText(*this, IDC_INF_FILE_TEXT) {}

void OperationDialog::SetInfFile(std::string name, std::string directory, std::string path) {
  driverName = name;
  sourceDirectory = directory;
  infPath = path;
}

BOOL OperationDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  SetIcon(icon);
  operationSucceeded = FALSE;
  driverWasRunning = FALSE;
  driverStarted = FALSE;
  filesAtRestart = FALSE;
  closingMessage = IDS_INCOMPLETE;
  closingReason.clear();
  closingFile.clear();
  (installSelected ? installRadio : uninstallRadio).SetCheck(BST_CHECKED);
  // The extension is written in capitals whatever the case of the file's own name.
  infFileText.SetText(LoadText(IDS_INF_FILE, {driverName.c_str()}).c_str());
  return TRUE;
}

bool OperationDialog::OnCommand(WORD id, WORD code) {
  static const Command<OperationDialog> commands[] = {
      {IDC_INSTALL_RADIO, BN_CLICKED, &OperationDialog::OnInstall},
      {IDC_UNINSTALL_RADIO, BN_CLICKED, &OperationDialog::OnUninstall},
      {IDC_NEXT_BUTTON, BN_CLICKED, &OperationDialog::OnNext},
  };
  return Dispatch(commands, id, code);
}

void OperationDialog::OnInstall() { installSelected = TRUE; }
void OperationDialog::OnUninstall() { installSelected = FALSE; }

void OperationDialog::ShowStep(UINT text) {
  statusText.SetText(LoadText(text).c_str());
  UpdateWindow(statusText.Handle());
}

void OperationDialog::OnNext() {
  if (operationSucceeded) {
    EndDialog(IDOK);
    return;
  }
  nextButton.Enable(FALSE);
  cancelButton.Enable(FALSE);
  operationSucceeded = PerformOperation() ? TRUE : FALSE;
  if (!operationSucceeded) {
    EndDialog(IDOK);
    return;
  }
  nextButton.Enable(TRUE);
  nextButton.SetText(LoadText(IDS_EXIT).c_str());
  SetFocus(nextButton.Handle());
  installRadio.Enable(FALSE);
  uninstallRadio.Enable(FALSE);
  UINT status = IDS_DONE;
  if (installSelected && filesAtRestart) status = IDS_DONE_REPLACED_AT_RESTART;
  else if (installSelected && driverStarted) status = IDS_DONE_STARTED;
  else if (!installSelected && driverWasRunning) status = filesAtRestart ? IDS_DONE_RUNS_ON_FILES_STAY : IDS_DONE_RUNS_ON;
  else if (!installSelected && filesAtRestart) status = IDS_DONE_REMOVED_AT_RESTART;
  statusText.SetText(LoadText(status).c_str());
}
