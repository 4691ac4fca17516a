#include <VynMemberComment/MemberComment.h>

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    VynMemberComment::MemberComment control;
    control.Mode(true, 1001);
    return control.ReadData().isEmpty() ? 0 : 1;
}
