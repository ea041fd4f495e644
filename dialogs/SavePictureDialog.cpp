#include "SavePictureDialog.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include <cmath>

#include "Bitmap.h"
#include "Form.h"
#include "Format.h"
#include "PictureFormats.h"
#include "RasterImage.h"

namespace {

constexpr int ThumbnailSide = 200, ThumbnailMargin = 4;

std::string LocalName(const QString& fileName) { return QFile::encodeName(fileName).toStdString(); }

} // namespace

// ---- the pane ----

TPicturePreview::TPicturePreview(QWidget* parent)
    : QWidget(parent), thumbnail_(new QLabel(this)), caption_(new QLabel(this)), previewButton_(new QPushButton(this))
{
    setObjectName("PicturePreview");
    previewButton_->setText("Preview");
    previewButton_->setToolTip("Preview");
    previewButton_->setObjectName("PreviewButton");
    thumbnail_->setObjectName("PreviewThumbnail");
    thumbnail_->setFixedSize(ThumbnailSide, ThumbnailSide);
    thumbnail_->setAlignment(Qt::AlignCenter);
    thumbnail_->setFrameShape(QFrame::StyledPanel);
    caption_->setObjectName("PreviewCaption");

    auto* top = new QHBoxLayout;
    top->addWidget(caption_, 1);
    top->addWidget(previewButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(thumbnail_);
    layout->addStretch(1);

    connect(previewButton_, &QPushButton::clicked, this, [this] { ShowPreview(); });
    Clear();
}

void TPicturePreview::Clear()
{
    picture_ = QImage();
    thumbnail_->clear();
    caption_->setText("Picture:");
    previewButton_->setEnabled(false);
}

void TPicturePreview::ShowFile(const QString& fileName)
{
    Clear();
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile()) return;
    try {
        const std::string name = LocalName(fileName);
        // The header first: its size is the full read's, and it tells whether
        // the picture is small enough to load.
        const TPictureSize size = LoadPictureSize(name);
        caption_->setText(QString::fromStdString(Format(" (%dx%d)", {size.Width, size.Height})));
        if (int64_t{size.Width} * size.Height > LargestPreviewPixels) return;
        QImage picture = RasterToImage(*LoadPicture(name));
        if (picture.isNull()) return; // a picture without pixels has nothing to show
        const QSize room = thumbnail_->contentsRect().size() - QSize(2 * ThumbnailMargin, 2 * ThumbnailMargin);
        const QSize fit = picture.size().boundedTo(room);
        thumbnail_->setPixmap(QPixmap::fromImage(
            picture.scaled(picture.size().scaled(fit, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
        picture_ = std::move(picture);
        previewButton_->setEnabled(true);
    } catch (const std::exception&) {
        // Anything that does not load, for whatever reason, shows no picture.
        Clear();
    }
}

void TPicturePreview::ShowPreview()
{
    if (picture_.isNull()) return;
    TPreviewWindow window(picture_, this);
    window.exec();
}

// ---- the preview window ----

TPreviewWindow::TPreviewWindow(const QImage& picture, QWidget* parent) : QDialog(parent), picture_(picture)
{
    setObjectName("PreviewWindow");
    setWindowTitle("Preview");
    setModal(true);
    // The picture's size in the screen's pixels, or the screen's where the
    // picture is larger.
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, picture.width(), picture.height());
    const qreal ratio = screen ? screen->devicePixelRatio() : 1;
    const QSize size(std::ceil(picture.width() / ratio), std::ceil(picture.height() / ratio));
    QRect placed(QPoint(), size.boundedTo(area.size()));
    placed.moveCenter(area.center());
    setGeometry(placed);
}

void TPreviewWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), picture_);
}

// ---- the file dialog ----

TSaveFileDialog::TSaveFileDialog(QWidget* parent) : QFileDialog(parent), preview_(new TPicturePreview(this))
{
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setSizeGripEnabled(true);
    ShowColumnsWhole();
    // The pane takes a column of its own to the right of the dialog's widgets.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(preview_, 0, grid->columnCount(), grid->rowCount(), 1);
    connect(this, &QFileDialog::currentChanged, preview_, &TPicturePreview::ShowFile);
}

void TSaveFileDialog::ShowColumnsWhole()
{
    const int character = fontMetrics().averageCharWidth();
    if (auto* splitter = findChild<QSplitter*>("splitter")) splitter->setSizes({22 * character, 100 * character});
    QSize size(170 * character, 34 * fontMetrics().height());
    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);

    // Size, type and date as wide as their texts, the name taking the rest
    // but never less than a readable width; a list too narrow for them all
    // scrolls.
    auto* list = findChild<QTreeView*>("treeView");
    if (!list) return;
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    const auto fitName = [list, header, character] {
        int others = 0;
        for (int column = 1; column < header->count(); ++column) others += header->sectionSize(column);
        list->setColumnWidth(0, std::max(list->viewport()->width() - others, 24 * character));
    };
    connect(header, &QHeaderView::sectionResized, list, [fitName](int column) {
        if (column > 0) fitName();
    });
    connect(header, &QHeaderView::geometriesChanged, list, fitName);
}

void TSaveFileDialog::accept()
{
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
        const QFileInfo file(files.first());
        // A pattern typed as on other systems' dialogs would otherwise become
        // a file named "*.bmp".
        if (!file.isDir() && file.fileName().contains(QRegularExpression("[*?]"))) {
            QMessageBox::warning(this, windowTitle(),
                                 QString("%1\nThe file name is not valid.").arg(file.fileName()));
            return;
        }
        if (!file.isDir() && !QFileInfo(file.absolutePath()).isDir()) {
            QMessageBox::warning(this, windowTitle(),
                                 QString("%1\nPath does not exist.\nPlease verify the correct path was given.")
                                     .arg(QDir::toNativeSeparators(file.absolutePath())));
            return;
        }
    }
    QFileDialog::accept();
}

// ---- the component ----

TSavePictureDialog::TSavePictureDialog(TComponent* owner) : TComponent(owner) {}

std::unique_ptr<TSaveFileDialog> TSavePictureDialog::CreateDialog(QWidget* parent) const
{
    auto dialog = std::make_unique<TSaveFileDialog>(parent);
    dialog->setObjectName(QString::fromStdString(Name()));
    dialog->setNameFilter(QString::fromStdString(filter_));
    const QStringList filters = dialog->nameFilters();
    if (filterIndex_ >= 1 && filterIndex_ <= filters.size()) dialog->selectNameFilter(filters[filterIndex_ - 1]);
    if (!fileName_.empty()) dialog->selectFile(QFile::decodeName(fileName_.c_str()));
    return dialog;
}

void TSavePictureDialog::TakeResult(const QFileDialog& dialog)
{
    const QStringList files = dialog.selectedFiles();
    fileName_ = files.isEmpty() ? std::string() : LocalName(files.first());
    const qsizetype index = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    if (index >= 0) filterIndex_ = static_cast<int>(index) + 1;
}

bool TSavePictureDialog::Execute()
{
    auto* form = dynamic_cast<TForm*>(Owner());
    std::unique_ptr<TSaveFileDialog> dialog = CreateDialog(form ? form->Window() : nullptr);
    if (dialog->exec() != QDialog::Accepted) return false;
    TakeResult(*dialog);
    return true;
}
