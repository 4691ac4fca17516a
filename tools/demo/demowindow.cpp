#include "demowindow.h"

#include "pendingwork.h"
#include "saveoutcome.h"

#include <VynMemberComment/MemberComment.h>

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>

#include <iterator>
#include <limits>

DemoWindow::DemoWindow(const QString &serverUrl, QWidget *parent)
    : QMainWindow(parent)
    , m_control(new VynMemberComment::MemberComment)
    , m_server(new QLineEdit(serverUrl))
    , m_member(new QSpinBox)
    , m_person(new QSpinBox)
    , m_type(new QSpinBox)
    , m_editMode(new QCheckBox(tr("&Edit mode")))
    , m_loadButton(new QPushButton(tr("&Load")))
    , m_saveButton(new QPushButton(tr("&Save")))
{
    setWindowTitle(tr("VynMemberComment demo host"));
    // Names for the tour, which finds the host's widgets as it finds the control's.
    m_server->setObjectName(QStringLiteral("server"));
    m_member->setObjectName(QStringLiteral("member"));
    m_person->setObjectName(QStringLiteral("person"));
    m_type->setObjectName(QStringLiteral("type"));
    m_editMode->setObjectName(QStringLiteral("editMode"));
    m_loadButton->setObjectName(QStringLiteral("load"));
    m_saveButton->setObjectName(QStringLiteral("save"));

    m_member->setRange(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    m_member->setValue(1001);
    m_person->setRange(std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
    m_person->setValue(7);
    m_type->setRange(std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
    m_type->setValue(1);
    m_editMode->setChecked(true);

    auto *loadAction = new QAction(tr("Load"), this);
    loadAction->setShortcut(Qt::Key_F5);
    connect(loadAction, &QAction::triggered, this, &DemoWindow::load);
    auto *saveAction = new QAction(tr("Save"), this);
    saveAction->setShortcut(QKeySequence::Save);
    connect(saveAction, &QAction::triggered, this, &DemoWindow::save);
    addActions({loadAction, saveAction});
    connect(m_loadButton, &QPushButton::clicked, loadAction, &QAction::trigger);
    connect(m_saveButton, &QPushButton::clicked, saveAction, &QAction::trigger);
    m_loadButton->setToolTip(tr("Load the member (%1)").arg(loadAction->shortcut().toString(QKeySequence::NativeText)));
    m_saveButton->setToolTip(
        tr("Save the pending comments (%1)").arg(saveAction->shortcut().toString(QKeySequence::NativeText)));

    auto *fields = new QHBoxLayout;
    auto field = [fields](const QString &caption, QWidget *w) {
        auto *label = new QLabel(caption);
        label->setBuddy(w);
        fields->addWidget(label);
        fields->addWidget(w);
    };
    field(tr("&Member:"), m_member);
    field(tr("&Person:"), m_person);
    field(tr("&Type:"), m_type);
    fields->addWidget(m_editMode);
    fields->addStretch();
    fields->addWidget(m_loadButton);
    fields->addWidget(m_saveButton);
    auto *server = new QHBoxLayout;
    auto *serverLabel = new QLabel(tr("Se&rver:"));
    serverLabel->setBuddy(m_server);
    server->addWidget(serverLabel);
    server->addWidget(m_server, 1);

    // The control lays its children out for its design size: smaller would cut them off.
    m_control->setMinimumSize(m_control->sizeHint());
    auto *central = new QWidget;
    auto *column = new QVBoxLayout(central);
    column->addLayout(server);
    column->addLayout(fields);
    column->addWidget(m_control, 1);
    setCentralWidget(central);

    // Tab goes through the host's fields and buttons in reading order, then into the control.
    QWidget *const order[] = {m_server, m_member, m_person, m_type, m_editMode, m_loadButton, m_saveButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

bool DemoWindow::load()
{
    if (m_busy || !settleUnsavedWork())
        return false;
    m_loaded = Loaded{m_server->text(), m_member->value(), qint16(m_person->value()), qint16(m_type->value()),
                      m_editMode->isChecked()};
    reload();
    statusBar()->showMessage(tr("Member %1").arg(m_loaded->member));
    return true;
}

bool DemoWindow::save()
{
    if (m_busy)
        return false;
    const SaveResult result = saveAll();
    if (result == SaveResult::Saved)
        reload();
    return result != SaveResult::Failed;
}

DemoWindow::SaveResult DemoWindow::saveAll()
{
    if (!m_loaded)
        return SaveResult::NothingPending;
    setBusy(true);
    // As the editor's own "Save" would do it; when something is missing the control says what.
    if (PendingWork::editorHoldsComment(*m_control))
        m_control->findChild<QPushButton *>(QStringLiteral("cmdAdd"))->click();
    SaveResult result = SaveResult::NothingPending;
    if (PendingWork::editorHoldsComment(*m_control)) {
        result = SaveResult::Failed;
    } else if (PendingWork::pendingRows(*m_control) > 0) {
        SaveOutcome outcome;
        m_control->ReadData();
        result = outcome.failed() ? SaveResult::Failed : SaveResult::Saved;
    }
    setBusy(false);
    if (result == SaveResult::Failed)
        statusBar()->showMessage(tr("Not saved: the comments are still pending"));
    else
        statusBar()->showMessage(result == SaveResult::Saved ? tr("Saved") : tr("Nothing to save"));
    return result;
}

bool DemoWindow::settleUnsavedWork()
{
    if (!PendingWork::any(*m_control))
        return true;
    const auto answer =
        QMessageBox::question(this, windowTitle(), tr("Save changes?"),
                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return saveAll() != SaveResult::Failed;
    return answer == QMessageBox::Discard;
}

void DemoWindow::reload()
{
    m_control->Mode(m_loaded->editable, m_loaded->member);
    m_control->LoadData(m_loaded->server, m_loaded->person, m_loaded->type);
    // The rows now hold what the server has; whatever was pending before is saved or discarded.
    m_control->setIsCommentNotEmpty(false);
}

void DemoWindow::setBusy(bool busy)
{
    // ReadData keeps the window responsive while it waits: no second save or load meanwhile.
    m_busy = busy;
    m_loadButton->setEnabled(!busy);
    m_saveButton->setEnabled(!busy);
}

void DemoWindow::closeEvent(QCloseEvent *event)
{
    if (m_busy || !settleUnsavedWork())
        event->ignore();
    else
        event->accept();
}
