#include "membercommentplugin.h"

#include <VynMemberComment/MemberComment.h>

#include <QIcon>

namespace VynMemberComment {

MemberCommentPlugin::MemberCommentPlugin(QObject *parent)
    : QObject(parent)
{
}

QString MemberCommentPlugin::name() const
{
    return QStringLiteral("VynMemberComment::MemberComment");
}

QString MemberCommentPlugin::group() const
{
    return QStringLiteral("VynMemberComment");
}

QString MemberCommentPlugin::toolTip() const
{
    return QStringLiteral("Member comments: shows and maintains a member's discussion comments");
}

QString MemberCommentPlugin::whatsThis() const
{
    return QStringLiteral("Shows the discussion comments recorded against one member and lets the user add and "
                          "change them. The host calls Mode() and LoadData() to fetch a member's comments from the "
                          "server page and ReadData() to save every pending change in one request.");
}

QString MemberCommentPlugin::includeFile() const
{
    return QStringLiteral("VynMemberComment/MemberComment.h");
}

QIcon MemberCommentPlugin::icon() const
{
    return QIcon(QStringLiteral(":/VynMemberComment/designer/membercomment.xpm"));
}

bool MemberCommentPlugin::isContainer() const
{
    return false;
}

// The header is "global" so forms compiled by uic include it with angle brackets, as hosts do.
QString MemberCommentPlugin::domXml() const
{
    return QStringLiteral(R"(<ui language="c++" displayname="Member Comment">
 <widget class="VynMemberComment::MemberComment" name="memberComment"/>
 <customwidgets>
  <customwidget>
   <class>VynMemberComment::MemberComment</class>
   <header location="global">VynMemberComment/MemberComment.h</header>
  </customwidget>
 </customwidgets>
</ui>
)");
}

QWidget *MemberCommentPlugin::createWidget(QWidget *parent)
{
    return new MemberComment(parent);
}

bool MemberCommentPlugin::isInitialized() const
{
    return m_initialized;
}

void MemberCommentPlugin::initialize(QDesignerFormEditorInterface *)
{
    m_initialized = true;
}

} // namespace VynMemberComment
