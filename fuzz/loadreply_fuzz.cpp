// Arbitrary bytes as a load reply: through the XML adapter, the three readers and into the list
// model as LoadData fills it (no widget), then sorted and read back cell by cell. Beyond not
// crashing: a read without an error fills every column of every row, and never more.
#include "control/commentlistmodel.h"
#include "exchange/loadreply.h"

#include <cstdint>
#include <cstdlib>

using namespace VynMemberComment;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Platform::XmlDocument doc;
    doc.loadBytes(QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    (void)readUserName(doc);
    (void)readChoices(doc, Section::Types);
    (void)readChoices(doc, Section::Groups);

    CommentListModel model;
    for (const ColumnSpec &spec : kColumns)
        model.addColumn(QString::fromLatin1(spec.header));
    CommentReadResult result = readComments(doc, model.columnCount());
    for (const CommentRow &row : result.rows)
        if (row.cellCount() > model.columnCount() || (!result.error && row.cellCount() != model.columnCount()))
            std::abort();
    model.appendRows(std::move(result.rows));
    model.setSortKey(Column::CommentSequence);
    model.setSortOrder(CommentListModel::Descending);
    for (int r = 0; r < model.rowCount(); ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            (void)model.data(model.index(r, c));
    return 0;
}
