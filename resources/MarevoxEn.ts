<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CSearch</name>
    <message>
        <source>时间查找</source>
        <translation>Time Search</translation>
    </message>
    <message>
        <source>起始时间</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>CTrueColorToolBar</name>
    <message>
        <source>工具栏</source>
        <translation>Toolbar</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>测深仪数据文件(*.sd)</source>
        <translation>Echo sounder data files (*.sd)</translation>
    </message>
    <message>
        <source>测深仪数据文件(*.txt)</source>
        <translation>Echo sounder data files (*.txt)</translation>
    </message>
</context>
</TS>
