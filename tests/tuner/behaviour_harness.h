#pragma once
// The behaviour on a bare set of the controls it works on, with the fake host.

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <memory>

#include "tests/tuner/fake_tuner_host.h"
#include "tuner/tuner_behaviour.h"

struct BehaviourHarness {
    fakes::FakeHost host;
    QWidget window;
    QComboBox* cmbInst = new QComboBox(&window);
    QComboBox* cmbTune = new QComboBox(&window);
    QLineEdit* txtDur = new QLineEdit(QStringLiteral("2"), &window);
    int chordWindowRequests = 0;
    std::unique_ptr<tuner::TunerBehaviour> behaviour;

    BehaviourHarness() {
        txtDur->setMaxLength(1);
        behaviour = std::make_unique<tuner::TunerBehaviour>(
            host, tuner::TunerControls{window, *cmbInst, *cmbTune, *txtDur},
            [this] { ++chordWindowRequests; });
    }
    void chooseTuning(const QString& name) {
        cmbTune->setCurrentIndex(cmbTune->findText(name));
        behaviour->tuningChange();
    }
    void chooseSound(const QString& name) {
        cmbInst->setCurrentIndex(cmbInst->findText(name));
        behaviour->soundChange();
    }
};
