#include "demowindow.h"

#include <VynMemberComment/MemberComment.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolBar>

DemoWindow::DemoWindow(const QString &serverUrl, QWidget *parent)
    : QMainWindow(parent)
    , m_control(new VynMemberComment::MemberComment(this))
    , m_server(new QLineEdit(serverUrl, this))
    , m_member(new QSpinBox(this))
    , m_person(new QSpinBox(this))
    , m_type(new QSpinBox(this))
    , m_editMode(new QCheckBox(tr("Edit mode"), this))
{
    setWindowTitle(tr("VynMemberComment demo host"));
    setCentralWidget(m_control);

    m_member->setRange(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    m_member->setValue(1001);
    m_person->setRange(-32768, 32767);
    m_person->setValue(7);
    m_type->setRange(-32768, 32767);
    m_type->setValue(1);
    m_editMode->setChecked(true);
    m_server->setMinimumWidth(220);

    QToolBar *bar = addToolBar(tr("Host"));
    bar->setMovable(false);
    auto field = [bar](const QString &caption, QWidget *w) {
        auto *label = new QLabel(caption, bar);
        label->setBuddy(w);
        bar->addWidget(label);
        bar->addWidget(w);
    };
    field(tr("&Member:"), m_member);
    field(tr("&Person:"), m_person);
    field(tr("&Type:"), m_type);
    bar->addWidget(m_editMode);
    bar->addAction(tr("&Load"), this, &DemoWindow::load);
    bar->addAction(tr("&Save"), this, &DemoWindow::save);
    bar->addSeparator();
    field(tr("Se&rver:"), m_server);
}

void DemoWindow::load()
{
    m_control->Mode(m_editMode->isChecked(), m_member->value());
    m_control->LoadData(m_server->text(), qint16(m_person->value()), qint16(m_type->value()));
}

void DemoWindow::save()
{
    m_control->ReadData();
}
