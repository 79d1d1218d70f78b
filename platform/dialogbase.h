// A dialog built from a template, with the id-based services the program's dialogs use:
// items by id, text and number access, check state, enable/show, and command routing
// from a control's notification to the handler registered for its id.
#pragma once

#include "platform/messagebox.h"
#include "platform/resources.h"

#include <QDialog>
#include <QHash>

#include <functional>
#include <map>
#include <utility>

namespace velmora {

// Control notifications that handlers can be registered for.
enum class Notify {
    Clicked,    // push button or check box clicked
    SelChange,  // combo box selection changed by the user
};

class DialogBase : public QDialog {
    Q_OBJECT
public:
    // Looks the template up in the installed resources; a missing template is a programming
    // error and aborts.
    explicit DialogBase(int templateId, QWidget* parent = nullptr);
    ~DialogBase() override;

    int templateId() const { return m_templateId; }
    const DialogTemplate& dialogTemplate() const { return *m_template; }

    // Creates the controls, runs OnInitDialog and then the modal loop. Returns the end code.
    int doModal();
    // Creates the controls and runs OnInitDialog without a modal loop (a modeless dialog);
    // shows the window when the template says visible. Does nothing if already created.
    bool create();
    // True while the controls exist and the dialog has not been ended or destroyed.
    bool isWindow() const { return m_created && !m_destroyed; }

    QWidget* item(int id) const;  // nullptr when the template has no such control
    template <class W>
    W* itemAs(int id) const { return qobject_cast<W*>(item(id)); }

    void setItemText(int id, const QString& text);
    QString itemText(int id) const;
    // The item's text as a signed decimal integer; text that is not a number reads 0.
    int itemInt(int id, bool* ok = nullptr) const;
    bool isChecked(int id) const;
    void setChecked(int id, bool checked);
    void enableItem(int id, bool enable);
    void showItem(int id, bool show);
    // The control's rectangle in the dialog's client coordinates (empty when absent).
    QRect itemRect(int id) const;

    int messageBox(const QString& text, const QString& caption = {}, unsigned type = MB_OK);

    // Runs the handler registered for (id, notification), as a control's notification does.
    // Returns false when no handler is registered. An exception out of the handler is shown
    // as one message box with its description and goes no further.
    bool sendCommand(int id, Notify notify = Notify::Clicked);

    // Ends the dialog with `result` (the modal loop returns it).
    void endDialog(int result);
    // Destroys the window: ends the modal loop (result -1) and runs OnDestroy.
    void destroyWindow();

protected:
    using Handler = std::function<void()>;
    void onCommand(int id, Handler handler, Notify notify = Notify::Clicked);

    // Applies the template's combo-box items. Overrides call the base first.
    virtual bool OnInitDialog();
    // Runs once when the dialog ends (any way), while the controls still exist.
    virtual void OnDestroy() {}
    virtual void OnOK() { endDialog(IDOK); }
    virtual void OnCancel() { endDialog(IDCANCEL); }
    // The window's close button; acts as the cancel command unless overridden.
    virtual void OnClose() { sendCommand(IDCANCEL); }

    // For a modeless dialog that lives on after it is ended: ending it only hides the
    // window, and only destroyWindow destroys it.
    void setEndHidesOnly(bool hides) { m_endHidesOnly = hides; }

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void setVisible(bool visible) override;
    void done(int result) override;

private:
    void createControls();
    // Marks as default exactly the button that Enter would click: the focused push button,
    // else the template's default button, else none (then Enter ends the dialog).
    void updateDefaultButton();
    QPushButton* templateDefaultButton() const;
    void wire(int id, QWidget* widget);

    int m_templateId;
    const DialogTemplate* m_template;
    bool m_created = false;
    bool m_destroyed = false;
    bool m_endHidesOnly = false;
    bool m_destroying = false;
    QHash<int, QWidget*> m_items;
    std::map<std::pair<int, Notify>, Handler> m_handlers;
};

}  // namespace velmora
