// The yardstick for start-up time and memory: the least a Qt Widgets program
// needs to ask one question, a QApplication and one QMessageBox.
#include <QApplication>
#include <QMessageBox>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Uninstall"),
                    QStringLiteral("Do you want to uninstall the product?"),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? 0 : 1;
}
