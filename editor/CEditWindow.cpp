#include "editor/CEditWindow.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "editor/CEditCommand.h"
#include "editor/EditStatusMessage.h"

CEditWindow::CEditWindow(QWidget* parent) : QMainWindow(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    m_view = new CEditView(this);
    setCentralWidget(m_view);
    m_view->SetEditSink([this](std::vector<Edit> edits, CEditView::Tool tool) {
        PushDrawn(std::move(edits), tool);
    });
    m_filters = new CFilterPanel(
        *m_view, m_session,
        [this](std::vector<Edit> edits, const QString& text) { Push(std::move(edits), text); },
        this);
    addDockWidget(Qt::RightDockWidgetArea, m_filters);
    m_filters->hide();
    m_pointer = new QLabel(this);
    m_saveState = new QLabel(this);
    m_saveState->setStyleSheet(QStringLiteral("color: #c00000"));
    m_saveState->setWordWrap(true);
    statusBar()->addWidget(m_saveState, 1);
    statusBar()->addPermanentWidget(m_pointer);
    connect(m_view, &CEditView::pointed, this, [this](qint64 ping, double depth) {
        QString text = tr("测点 %1  深度 %2 m").arg(ping).arg(depth, 0, 'f', 2);
        const auto record = static_cast<std::uint32_t>(ping);
        if (record < m_session.Depths().Count()) {
            const EditedPing edited = m_session.Depths().For(record);
            const QDateTime time =
                QDateTime::fromSecsSinceEpoch(m_session.Depths().Detected(record).time);
            text += tr("  %1  水深 %2 m")
                        .arg(time.toString(QStringLiteral("HH:mm:ss")))
                        .arg(edited.depth, 0, 'f', 2);
            if (edited.Rejected()) text += tr("（已剔除）");
        }
        m_pointer->setText(text);
    });
    CreateActions();
    resize(1000, 600);
}

void CEditWindow::CreateActions() {
    QMenu* menu = menuBar()->addMenu(tr("编辑(&E)"));
    QToolBar* tools = addToolBar(tr("编辑"));
    tools->setObjectName(QStringLiteral("editTools"));

    QAction* undo = m_undo.createUndoAction(this, tr("撤销"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = m_undo.createRedoAction(this, tr("重做"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    menu->addAction(undo);
    menu->addAction(redo);
    tools->addAction(undo);
    tools->addAction(redo);
    menu->addSeparator();
    tools->addSeparator();

    auto* group = new QActionGroup(this);
    const struct {
        const char* text;
        CEditView::Tool tool;
        Qt::Key key;
    } kTools[] = {
        {QT_TR_NOOP("剔除(拖动)"), CEditView::Tool::kReject, Qt::Key_R},
        {QT_TR_NOOP("恢复(拖动)"), CEditView::Tool::kRestore, Qt::Key_E},
        {QT_TR_NOOP("绘制水深"), CEditView::Tool::kDraw, Qt::Key_D},
    };
    for (const auto& item : kTools) {
        QAction* action = group->addAction(tr(item.text));
        action->setCheckable(true);
        action->setChecked(item.tool == m_view->CurrentTool());
        action->setShortcut(QKeySequence(item.key));
        connect(action, &QAction::triggered, this,
                [this, tool = item.tool] { m_view->SetTool(tool); });
        menu->addAction(action);
        tools->addAction(action);
    }

    m_snap = new QCheckBox(tr("吸附到最强回波"), this);
    m_snap->setObjectName(QStringLiteral("snap"));
    m_snap->setChecked(true);
    m_snapDistance = new QDoubleSpinBox(this);
    m_snapDistance->setRange(0.1, 20.0);
    m_snapDistance->setSingleStep(0.1);
    m_snapDistance->setValue(1.0);
    m_snapDistance->setSuffix(QStringLiteral(" m"));
    m_snapDistance->setToolTip(tr("吸附距离"));
    auto snapChanged = [this] {
        m_view->SetSnap(m_snap->isChecked(), m_snapDistance->value());
        m_snapDistance->setEnabled(m_snap->isChecked());
    };
    connect(m_snap, &QCheckBox::toggled, this, snapChanged);
    connect(m_snapDistance, &QDoubleSpinBox::valueChanged, this, snapChanged);
    tools->addWidget(m_snap);
    tools->addWidget(m_snapDistance);
    snapChanged();

    menu->addSeparator();
    QAction* filters = m_filters->toggleViewAction();
    filters->setText(tr("滤波..."));
    menu->addAction(filters);
    tools->addAction(filters);
    QAction* all = menu->addAction(tr("显示整条测线"));
    all->setShortcut(QKeySequence(Qt::Key_0));
    connect(all, &QAction::triggered, m_view, &CEditView::ShowAll);
    m_saveAs = menu->addAction(tr("编辑另存为..."));
    connect(m_saveAs, &QAction::triggered, this, &CEditWindow::SaveEditsAs);
    menu->addSeparator();
    QAction* close = menu->addAction(tr("关闭"));
    connect(close, &QAction::triggered, this, &QWidget::close);
}

EngineStatus CEditWindow::Open(const std::string& recordingPath, const std::string& editPath) {
    std::vector<PingDepth> detected;
    const EngineStatus status = m_echoes.Load(recordingPath, detected);
    if (!status.Ok()) return status;
    m_session.OpenRecording(recordingPath, std::move(detected));
    const EditStatus loaded = m_session.LoadEdits(editPath);
    QStringList notices;
    if (!loaded.Ok()) notices << EditStatusMessage(loaded);
    for (const EditStatus& notice : m_session.Notices()) notices << EditStatusMessage(notice);
    m_notices = notices.join(QLatin1Char(' '));
    m_undo.clear();
    m_filters->SetRecording(recordingPath);
    m_view->SetLine(&m_echoes, &m_session.Depths());
    setWindowTitle(
        tr("编辑测线 - %1").arg(QFileInfo(QString::fromStdString(recordingPath)).fileName()));
    ShowSaveState();
    return status;
}

void CEditWindow::PushDrawn(std::vector<Edit> edits, CEditView::Tool tool) {
    const int count = static_cast<int>(edits.size());
    QString text;
    switch (tool) {
        case CEditView::Tool::kReject:
            text = tr("剔除 %1 个测点").arg(count);
            break;
        case CEditView::Tool::kRestore:
            text = tr("恢复 %1 个测点").arg(count);
            break;
        case CEditView::Tool::kDraw:
            text = tr("绘制 %1 个测点的水深").arg(count);
            break;
    }
    Push(std::move(edits), text);
}

void CEditWindow::Push(std::vector<Edit> edits, const QString& text) {
    m_undo.push(new CEditCommand(m_session, std::move(edits), text, [this] { Changed(); }));
}

void CEditWindow::Changed() {
    m_view->EditsChanged();
    ShowSaveState();
}

QString CEditWindow::SaveNotice() const {
    const QString save = EditStatusMessage(m_session.SaveStatus());
    if (save.isEmpty()) return m_notices;
    return m_notices.isEmpty() ? save : m_notices + QLatin1Char(' ') + save;
}

void CEditWindow::ShowSaveState() {
    m_saveState->setText(SaveNotice());
}

bool CEditWindow::SaveEditsTo(const QString& path) {
    const EditStatus saved = m_session.SaveTo(path.toStdString());
    if (saved.Ok()) {
        m_notices.clear();
        ShowSaveState();
        return true;
    }
    m_saveState->setText(EditStatusMessage(saved));
    return false;
}

void CEditWindow::SaveEditsAs() {
    const QString path = QFileDialog::getSaveFileName(this, tr("编辑另存为"), QDir::homePath(),
                                                      tr("编辑文件 (*.edits.csv)"));
    if (!path.isEmpty()) SaveEditsTo(path);
}
