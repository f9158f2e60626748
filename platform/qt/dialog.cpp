#include "platform/dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <utility>
#include <vector>

#include "platform/error_report.h"
#include "platform/qt/dialog_builder.h"
#include "platform/qt/dialog_impl.h"
#include "platform/qt/text.h"
#include "platform/resource_table.h"

namespace {

std::unique_ptr<CWnd> HandleFor(const ControlTemplate& control) {
  switch (control.kind) {
    case ControlKind::kEdit:
      return std::make_unique<CEdit>();
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton:
    case ControlKind::kCheckBox:
    case ControlKind::kRadioButton:
      return std::make_unique<CButton>();
    case ControlKind::kDropDownList:
      return std::make_unique<CComboBox>();
    case ControlKind::kLabel:
    case ControlKind::kPicture:
      break;
  }
  return std::make_unique<CWnd>();
}

int g_waitDepth = 0;
std::vector<std::function<void()>> g_kept;

}  // namespace

WaitScope::WaitScope() {
  ++g_waitDepth;
}

WaitScope::~WaitScope() {
  End();
}

void WaitScope::End() {
  if (m_ended) return;
  m_ended = true;
  if (--g_waitDepth > 0) return;
  std::vector<std::function<void()>> kept;
  kept.swap(g_kept);
  for (auto& delivery : kept) QTimer::singleShot(0, delivery);
}

bool WaitScope::Waiting() {
  return g_waitDepth > 0;
}

void WaitScope::Keep(std::function<void()> delivery) {
  g_kept.push_back(std::move(delivery));
}

void SystemMenu::AppendSeparator() {
  m_items.push_back({true, 0, {}});
}

void SystemMenu::AppendItem(unsigned commandId, const std::string& text) {
  m_items.push_back({false, commandId, text});
}

int SystemMenu::ItemCount() const {
  return static_cast<int>(m_items.size());
}

ProgramIcon LoadIcon(int id) {
  return FindIcon(id) != nullptr ? ProgramIcon{id} : ProgramIcon{};
}

QWidget* OwnerWindowFor(CDialog* owner) {
  if (owner != nullptr && owner->IsOpen()) return ControlAccess::Of(*owner).window;
  // Without an owner of its own, a window belongs to the one the user is working in.
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

CDialog::CDialog(int templateId, CDialog* owner) : m_impl(std::make_unique<Impl>()) {
  // A dialog may be constructed before the program's resources are installed (a member of
  // another dialog, a static object), so the template is found when the window is built.
  m_impl->templateId = templateId;
  m_impl->owner = owner;
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, CDialog* owner)
    : m_impl(std::make_unique<Impl>()) {
  m_impl->fixedTemplate = &dialogTemplate;
  m_impl->owner = owner;
}

CDialog::~CDialog() = default;

const DialogTemplate* CDialog::Template() const {
  return m_impl->fixedTemplate != nullptr ? m_impl->fixedTemplate
                                          : FindDialogTemplate(m_impl->templateId);
}

bool CDialog::IsOpen() const {
  return m_impl->window != nullptr;
}

void CDialog::SetEventHandler(std::function<bool(const DialogEvent&)> handler) {
  m_impl->events = std::move(handler);
}

int CDialog::DoModal() {
  Impl& impl = *m_impl;
  impl.dialogTemplate = Template();
  if (impl.dialogTemplate == nullptr || impl.window != nullptr) return -1;

  QWidget* ownerWidget = OwnerWindowFor(impl.owner);

  DialogWindow::Callbacks callbacks;
  callbacks.command = [this](int id) { SendCommand(id); };
  callbacks.sysCommand = [this](unsigned id) { SendSysCommand(id); };
  callbacks.focusReceived = [this](int id, DialogWindow::FocusCause cause) {
    using Cause = DialogWindow::FocusCause;
    Impl& open = *m_impl;
    // The list kept the focus while its popup was open: nothing was received.
    if (cause == Cause::kPopupClosed) return;
    if (cause == Cause::kReactivated && open.reactivationOwed) {
      // The window manager hands the focus back after a box the exchange showed; that focus
      // belongs to the exchange, which has already put it where it wanted.
      open.reactivationOwed = false;
      return;
    }
    if (cause == Cause::kUser) open.reactivationOwed = false;
    Deliver({false, Notify::kSetFocus, id, 0, 0});
  };
  callbacks.userInput = [this] { m_impl->reactivationOwed = false; };
  callbacks.systemMenu = [this](QPoint where) {
    Impl& open = *m_impl;
    if (open.window == nullptr || open.systemMenu.m_items.empty()) return;
    auto* menu = new QMenu(open.window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("systemMenu"));
    for (const SystemMenu::Item& item : open.systemMenu.m_items) {
      if (item.separator) {
        menu->addSeparator();
        continue;
      }
      const unsigned id = item.commandId;
      QAction* action = menu->addAction(ToQt(item.text));
      QObject::connect(action, &QAction::triggered, [this, id] { SendSysCommand(id); });
    }
    menu->popup(where);
  };

  auto window = std::make_unique<DialogWindow>(ownerWidget, std::move(callbacks));
  impl.window = window.get();
  impl.result = -1;
  impl.ended = false;
  impl.reactivationOwed = false;
  impl.systemMenu = SystemMenu();
  impl.controls.clear();

  const auto notify = [this](Notify code, int id) { Deliver({false, code, id, 0, 0}); };
  for (const BuiltControl& built :
       BuildDialog(*window, *impl.dialogTemplate, ownerWidget != nullptr, notify, window.get())) {
    impl.controls.emplace(built.source->id, built.widget);
    auto& handle = impl.handles[built.source->id];
    if (!handle) {
      handle = HandleFor(*built.source);
      handle->Attach(*this, built.source->id);
    }
  }

  bool focusFirst = true;
  try {
    focusFirst = OnInitDialog();
  } catch (...) {
    ReportFailure(this, std::current_exception(), FailurePlace::kHandler);
  }
  if (focusFirst && impl.window != nullptr) {
    for (const ControlTemplate& control : impl.dialogTemplate->controls) {
      QWidget* widget = impl.Control(control.id);
      if (widget != nullptr && (control.style & kTabStop) != 0 && widget->isEnabled()) {
        widget->setFocus(Qt::TabFocusReason);
        break;
      }
    }
  }
  if (!impl.ended) window->exec();

  const int result = impl.result;
  impl.window = nullptr;
  impl.controls.clear();
  window.reset();
  return result;
}

void CDialog::EndDialog(int result) {
  Impl& impl = *m_impl;
  impl.result = result;
  impl.ended = true;
  if (impl.window != nullptr && impl.window->isVisible()) impl.window->Finish(result);
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::DoDataExchange(DataExchange&) {}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

void CDialog::OnSysCommand(unsigned commandId, long) {
  // Of the window manager's commands only Close reaches the program here; it means Cancel.
  if ((commandId & 0xFFF0) == kSysCommandClose) SendCommand(IDCANCEL);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (m_impl->window == nullptr) return false;
  QuietChange scope(m_impl.get());
  DataExchange dx(*this, saveAndValidate);
  try {
    DoDataExchange(dx);
    return true;
  } catch (const ExchangeStopped&) {
    return false;
  } catch (...) {
    ReportFailure(this, std::current_exception(), FailurePlace::kExchange);
    return false;
  }
}

CWnd* CDialog::GetDlgItem(int id) {
  if (m_impl->window == nullptr || m_impl->Control(id) == nullptr) return nullptr;
  const auto found = m_impl->handles.find(id);
  return found != m_impl->handles.end() ? found->second.get() : nullptr;
}

void CDialog::CheckRadioButton(int firstId, int lastId, int checkId) {
  QuietChange quiet(m_impl.get());
  for (int id = firstId; id <= lastId; ++id) {
    if (auto* button = qobject_cast<QAbstractButton*>(m_impl->Control(id))) {
      if (id == checkId) button->setChecked(true);
    }
  }
  for (int id = firstId; id <= lastId; ++id) {
    auto* button = qobject_cast<QAbstractButton*>(m_impl->Control(id));
    if (button != nullptr && id != checkId) ClearMark(*button);
  }
}

SystemMenu* CDialog::GetSystemMenu() {
  return m_impl->window != nullptr ? &m_impl->systemMenu : nullptr;
}

void CDialog::SetIcon(ProgramIcon icon, bool) {
  // The desktop picks the size it needs from one icon, so large and small are the same here.
  if (m_impl->window != nullptr && icon) m_impl->window->setWindowIcon(ProgramIconImages(icon.id));
}

void CDialog::SendCommand(int id) {
  Deliver({false, Notify::kClicked, id, 0, 0});
}

void CDialog::SendSysCommand(unsigned commandId, long param) {
  Deliver({true, Notify::kClicked, IDC_STATIC, commandId, param});
}

void CDialog::Deliver(const DialogEvent& event) {
  Impl& impl = *m_impl;
  if (impl.window == nullptr || impl.quietDepth > 0) return;
  if (WaitScope::Waiting()) {
    // Another handler is waiting for its work; this event runs once it is done, if the window
    // it belongs to is still there.
    QPointer<QWidget> window = impl.window;
    WaitScope::Keep([this, window, event] {
      if (window && m_impl->window == window) Deliver(event);
    });
    return;
  }
  try {
    if (impl.events && impl.events(event)) return;
    if (event.isSysCommand) {
      OnSysCommand(event.commandId, event.param);
    } else if (event.code == Notify::kClicked && event.controlId == IDOK) {
      OnOK();
    } else if (event.code == Notify::kClicked && event.controlId == IDCANCEL) {
      OnCancel();
    }
  } catch (...) {
    ReportFailure(this, std::current_exception(), FailurePlace::kHandler);
  }
}
