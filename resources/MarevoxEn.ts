<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CAboutDialog</name>
    <message>
        <source>关于 Marevox</source>
        <translation>About Marevox</translation>
    </message>
    <message>
        <source>Nereon 3.0 版(20141103)</source>
        <translation>Nereon Version 3.0 (20141103)</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CAlarmLabel</name>
    <message>
        <source>浅水报警</source>
        <translation>SHALLOW</translation>
    </message>
    <message>
        <source>深水报警</source>
        <translation>DEEP</translation>
    </message>
    <message>
        <source>失底报警</source>
        <translation>BOTTOM LOST</translation>
    </message>
    <message>
        <source>水深中断报警</source>
        <translation>NO DEPTH</translation>
    </message>
    <message>
        <source>（按 Esc 键或点击此处消音）</source>
        <translation> (press Esc or click here to silence)</translation>
    </message>
</context>
<context>
    <name>CCheckSelf</name>
    <message>
        <source>自检</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
</context>
<context>
    <name>CColor</name>
    <message>
        <source>主窗口颜色设置</source>
        <translation>Main window colours</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>图像</source>
        <translation>Echoes</translation>
    </message>
    <message>
        <source>桌面</source>
        <translation>Desk</translation>
    </message>
    <message>
        <source>一级标尺</source>
        <translation>Major scale</translation>
    </message>
    <message>
        <source>二级标尺</source>
        <translation>Minor scale</translation>
    </message>
    <message>
        <source>监视窗口颜色设置</source>
        <translation>Monitor window colours</translation>
    </message>
    <message>
        <source>字色</source>
        <translation>Digits</translation>
    </message>
    <message>
        <source>回复默认</source>
        <translation>Restore defaults</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>CEditWindow</name>
    <message>
        <source>滤波...</source>
        <translation>Filters...</translation>
    </message>
    <message>
        <source>测点 %1  深度 %2 m</source>
        <translation>Ping %1  at %2 m</translation>
    </message>
    <message>
        <source>  %1  水深 %2 m</source>
        <translation>  %1  depth %2 m</translation>
    </message>
    <message>
        <source>（已剔除）</source>
        <translation> (rejected)</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>Edit(&amp;E)</translation>
    </message>
    <message>
        <source>编辑</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>重做</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>剔除(拖动)</source>
        <translation>Reject (drag)</translation>
    </message>
    <message>
        <source>恢复(拖动)</source>
        <translation>Restore (drag)</translation>
    </message>
    <message>
        <source>绘制水深</source>
        <translation>Draw Bottom</translation>
    </message>
    <message>
        <source>吸附到最强回波</source>
        <translation>Snap to the strongest echo</translation>
    </message>
    <message>
        <source>吸附距离</source>
        <translation>Snap distance</translation>
    </message>
    <message>
        <source>显示整条测线</source>
        <translation>Show the Whole Line</translation>
    </message>
    <message>
        <source>编辑另存为...</source>
        <translation>Save Edits As...</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>编辑测线 - %1</source>
        <translation>Edit Line - %1</translation>
    </message>
    <message>
        <source>剔除 %1 个测点</source>
        <translation>Reject %1 pings</translation>
    </message>
    <message>
        <source>恢复 %1 个测点</source>
        <translation>Restore %1 pings</translation>
    </message>
    <message>
        <source>绘制 %1 个测点的水深</source>
        <translation>Draw the depth of %1 pings</translation>
    </message>
    <message>
        <source>编辑另存为</source>
        <translation>Save Edits As</translation>
    </message>
    <message>
        <source>编辑文件 (*.edits.csv)</source>
        <translation>Edit files (*.edits.csv)</translation>
    </message>
</context>
<context>
    <name>CExportDialog</name>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>选择...</source>
        <translation>Choose...</translation>
    </message>
    <message>
        <source>记录文件</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>utm：第一个位置所在的 UTM 带；或 EPSG:代码（投影坐标系）</source>
        <translation>utm: the UTM zone of the first position; or EPSG:code (a projected system)</translation>
    </message>
    <message>
        <source>坐标系</source>
        <translation>Coordinate system</translation>
    </message>
    <message>
        <source>按原始定位记录重新计算位置，定位延迟（毫秒）</source>
        <translation>Place again from the raw position log, GNSS latency (ms)</translation>
    </message>
    <message>
        <source>浏览...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>输出文件</source>
        <translation>Output file</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>选择记录文件</source>
        <translation>Choose a recording</translation>
    </message>
    <message>
        <source>记录文件 (*.sd)</source>
        <translation>Recordings (*.sd)</translation>
    </message>
    <message>
        <source>%1 已存在，要替换它吗？</source>
        <translation>%1 exists. Replace it?</translation>
    </message>
    <message>
        <source>正在导出...</source>
        <translation>Exporting...</translation>
    </message>
    <message>
        <source>正在取消...</source>
        <translation>Cancelling...</translation>
    </message>
    <message>
        <source>已导出 %1 个测点（共 %2 个，%3 个无位置），坐标系 EPSG:%4</source>
        <translation>Exported %1 soundings (of %2, %3 without position), coordinate system EPSG:%4</translation>
    </message>
    <message>
        <source>未知的格式</source>
        <translation>Unknown format</translation>
    </message>
    <message>
        <source>坐标系 %1 未知</source>
        <translation>Coordinate system %1 is unknown</translation>
    </message>
    <message>
        <source>坐标系 %1 不是投影坐标系</source>
        <translation>Coordinate system %1 is not a projected one</translation>
    </message>
    <message>
        <source>无法打开记录文件 %1</source>
        <translation>Cannot open the recording %1</translation>
    </message>
    <message>
        <source>没有定位文件 %1：该记录没有位置</source>
        <translation>No position file %1: the recording has no positions</translation>
    </message>
    <message>
        <source>没有原始定位记录 %1，无法重新计算位置</source>
        <translation>No raw position log %1: the pings cannot be placed again</translation>
    </message>
    <message>
        <source>定位文件 %1 第 %2 行已损坏</source>
        <translation>Position file %1 is damaged at line %2</translation>
    </message>
    <message>
        <source>没有任何测点有位置，无法选择 UTM 带（请输入 EPSG 代码）</source>
        <translation>No ping has a position to choose a UTM zone by (give an EPSG code)</translation>
    </message>
    <message>
        <source>%1 已存在</source>
        <translation>%1 exists</translation>
    </message>
    <message>
        <source>无法写入文件夹 %1（%2）</source>
        <translation>Cannot write in the folder %1 (%2)</translation>
    </message>
    <message>
        <source>写入 %1 失败（%2），未留下任何文件</source>
        <translation>Writing %1 failed (%2); nothing was left behind</translation>
    </message>
    <message>
        <source>已取消，未留下任何文件</source>
        <translation>Cancelled; nothing was left behind</translation>
    </message>
    <message>
        <source>请选择记录文件和输出文件</source>
        <translation>Choose a recording and an output file</translation>
    </message>
</context>
<context>
    <name>CFilterPanel</name>
    <message>
        <source>滤波</source>
        <translation>Filters</translation>
    </message>
    <message>
        <source>深度窗口</source>
        <translation>Depth Window</translation>
    </message>
    <message>
        <source>尖峰滤波</source>
        <translation>Spike Filter</translation>
    </message>
    <message>
        <source>重新检测</source>
        <translation>Detect Again</translation>
    </message>
    <message>
        <source>最小深度 (m)</source>
        <translation>Minimum depth (m)</translation>
    </message>
    <message>
        <source>最大深度 (m)</source>
        <translation>Maximum depth (m)</translation>
    </message>
    <message>
        <source>每侧相邻测点</source>
        <translation>Neighbours on each side</translation>
    </message>
    <message>
        <source>偏差 (m)</source>
        <translation>Difference (m)</translation>
    </message>
    <message>
        <source>偏差比例 (%)</source>
        <translation>Difference share (%)</translation>
    </message>
    <message>
        <source>吃水 (m)</source>
        <translation>Draft (m)</translation>
    </message>
    <message>
        <source>声速 (m/s)</source>
        <translation>Sound speed (m/s)</translation>
    </message>
    <message>
        <source>如记录</source>
        <translation>As recorded</translation>
    </message>
    <message>
        <source>关</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>固定深度</source>
        <translation>Fixed depth</translation>
    </message>
    <message>
        <source>跟踪门</source>
        <translation>Tracking gate</translation>
    </message>
    <message>
        <source>抗干扰</source>
        <translation>Anti-jam</translation>
    </message>
    <message>
        <source>抗干扰深度 (m)</source>
        <translation>Anti-jam depth (m)</translation>
    </message>
    <message>
        <source>只处理显示的区段</source>
        <translation>Only the stretch shown</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>无法重新读取记录。</source>
        <translation>The recording cannot be read again.</translation>
    </message>
    <message>
        <source>将改变 %1 个测点（底部黄色标记）。</source>
        <translation>%1 pings would change (marked in yellow along the foot).</translation>
    </message>
    <message>
        <source>已改变 %1 个测点。</source>
        <translation>%1 pings changed.</translation>
    </message>
    <message>
        <source>%1：%2 个测点</source>
        <translation>%1: %2 pings</translation>
    </message>
</context>
<context>
    <name>CFixStatusPane</name>
    <message>
        <source>RTK浮点</source>
        <translation>RTK float</translation>
    </message>
    <message>
        <source>RTK固定</source>
        <translation>RTK fixed</translation>
    </message>
    <message>
        <source>无定位</source>
        <translation>No fix</translation>
    </message>
    <message>
        <source>定位：RTK固定 12星 0.0秒</source>
        <translation>GNSS: RTK fixed 12 sats 0.0 s</translation>
    </message>
    <message>
        <source>定位：正在连接gpsd</source>
        <translation>GNSS: connecting to gpsd</translation>
    </message>
    <message>
        <source>定位：正在打开串口</source>
        <translation>GNSS: opening the serial port</translation>
    </message>
    <message>
        <source>定位：gpsd未运行或无法连接（%1:%2）</source>
        <translation>GNSS: gpsd not running or unreachable (%1:%2)</translation>
    </message>
    <message>
        <source>定位：无法打开串口 %1</source>
        <translation>GNSS: cannot open serial port %1</translation>
    </message>
    <message>
        <source>定位：无定位（尚未收到）</source>
        <translation>GNSS: no fix (none received yet)</translation>
    </message>
    <message>
        <source>定位：%1</source>
        <translation>GNSS: %1</translation>
    </message>
    <message>
        <source> %1星</source>
        <translation> %1 sats</translation>
    </message>
    <message>
        <source> %1秒</source>
        <translation> %1 s</translation>
    </message>
    <message>
        <source> 过时</source>
        <translation> stale</translation>
    </message>
</context>
<context>
    <name>CHelmDialog</name>
    <message>
        <source>舵手显示</source>
        <translation>Helm Display</translation>
    </message>
    <message>
        <source>在浏览器中提供舵手显示</source>
        <translation>Serve the helm display to browsers</translation>
    </message>
    <message>
        <source>仅本机</source>
        <translation>This computer only</translation>
    </message>
    <message>
        <source>所有网络</source>
        <translation>All networks</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>端口:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>网址:</source>
        <translation>Web address:</translation>
    </message>
    <message>
        <source>代码:</source>
        <translation>Code:</translation>
    </message>
    <message>
        <source>浏览器:</source>
        <translation>Browsers:</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>未开启</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>不需要</source>
        <translation>Not needed</translation>
    </message>
</context>
<context>
    <name>CHelmServer</name>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>连接中断，正在重连</source>
        <translation>Connection lost, reconnecting</translation>
    </message>
    <message>
        <source>等待水深</source>
        <translation>Waiting for depth</translation>
    </message>
    <message>
        <source>秒前</source>
        <translation>s ago</translation>
    </message>
    <message>
        <source>回放</source>
        <translation>Playback</translation>
    </message>
    <message>
        <source>无报警</source>
        <translation>No alarm</translation>
    </message>
    <message>
        <source>轻触开启报警声</source>
        <translation>Tap to allow the alarm sound</translation>
    </message>
    <message>
        <source>报警声已开启</source>
        <translation>Alarm sound on</translation>
    </message>
    <message>
        <source>请输入主窗口显示的代码</source>
        <translation>Enter the code shown in the main window</translation>
    </message>
    <message>
        <source>代码不正确</source>
        <translation>The code is not correct</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>无定位</source>
        <translation>No fix</translation>
    </message>
    <message>
        <source>二维定位</source>
        <translation>2D fix</translation>
    </message>
    <message>
        <source>三维定位</source>
        <translation>3D fix</translation>
    </message>
    <message>
        <source>差分定位</source>
        <translation>DGPS fix</translation>
    </message>
    <message>
        <source>RTK 浮点解</source>
        <translation>RTK float</translation>
    </message>
    <message>
        <source>RTK 固定解</source>
        <translation>RTK fixed</translation>
    </message>
    <message>
        <source>无法在 %1 端口 %2 上提供舵手显示</source>
        <translation>Cannot serve the helm display on %1 port %2</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>文件(&amp;F)</source>
        <translation>File(&amp;F)</translation>
    </message>
    <message>
        <source>打开文本数据...</source>
        <translation>Open Text Data...</translation>
    </message>
    <message>
        <source>编辑测线...</source>
        <translation>Edit Line...</translation>
    </message>
    <message>
        <source>打印(&amp;P)...</source>
        <translation>Print(&amp;P)...</translation>
    </message>
    <message>
        <source>打印设置(&amp;R)...</source>
        <translation>Print Setup(&amp;R)...</translation>
    </message>
    <message>
        <source>退出(&amp;X)</source>
        <translation>Exit(&amp;X)</translation>
    </message>
    <message>
        <source>查看(&amp;V)</source>
        <translation>View(&amp;V)</translation>
    </message>
    <message>
        <source>工具栏(&amp;T)</source>
        <translation>Toolbar(&amp;T)</translation>
    </message>
    <message>
        <source>状态栏(&amp;S)</source>
        <translation>Status Bar(&amp;S)</translation>
    </message>
    <message>
        <source>控制[&amp;C]</source>
        <translation>Control[&amp;C]</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>开始存储</source>
        <translation>Start Storing</translation>
    </message>
    <message>
        <source>结束存储</source>
        <translation>Stop Storing</translation>
    </message>
    <message>
        <source>打标</source>
        <translation>Mark</translation>
    </message>
    <message>
        <source>监视</source>
        <translation>Monitor</translation>
    </message>
    <message>
        <source>放大</source>
        <translation>Zoom In</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>Zoom Out</translation>
    </message>
    <message>
        <source>回放</source>
        <translation>Playback</translation>
    </message>
    <message>
        <source>结束回放</source>
        <translation>End Playback</translation>
    </message>
    <message>
        <source>加速</source>
        <translation>Faster</translation>
    </message>
    <message>
        <source>暂停/继续</source>
        <translation>Pause/Continue</translation>
    </message>
    <message>
        <source>减速</source>
        <translation>Slower</translation>
    </message>
    <message>
        <source>后退/前进</source>
        <translation>Backward/Forward</translation>
    </message>
    <message>
        <source>时间查找</source>
        <translation>Time Search</translation>
    </message>
    <message>
        <source>开始打印</source>
        <translation>Start Printing</translation>
    </message>
    <message>
        <source>结束打印</source>
        <translation>Stop Printing</translation>
    </message>
    <message>
        <source>缩略/普通</source>
        <translation>Compact/Normal</translation>
    </message>
    <message>
        <source>自检...</source>
        <translation>Self-Check...</translation>
    </message>
    <message>
        <source>设置[&amp;S]</source>
        <translation>Settings[&amp;S]</translation>
    </message>
    <message>
        <source>参数设置</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>通信设置</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>颜色设置</source>
        <translation>Colors</translation>
    </message>
    <message>
        <source>网络设置</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>吃水</source>
        <translation>Draft</translation>
    </message>
    <message>
        <source>声速</source>
        <translation>Sound Speed</translation>
    </message>
    <message>
        <source>增益</source>
        <translation>Gain</translation>
    </message>
    <message>
        <source>量程</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>抗干扰</source>
        <translation>Anti-Jamming</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>英文</source>
        <translation>English</translation>
    </message>
    <message>
        <source>水深输出演示</source>
        <translation>Depth Output Demo</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>Help(&amp;H)</translation>
    </message>
    <message>
        <source>关于 Marevox(&amp;A)...</source>
        <translation>About Marevox(&amp;A)...</translation>
    </message>
    <message>
        <source>串口未释放</source>
        <translation>The serial port is still in use</translation>
    </message>
    <message>
        <source>打开串口失败</source>
        <translation>Failed to open the serial port</translation>
    </message>
    <message>
        <source>开启串口错误</source>
        <translation>Failed to start the serial port</translation>
    </message>
    <message>
        <source>请先结束存储</source>
        <translation>Please stop storing first</translation>
    </message>
    <message>
        <source>与测深仪的连接已断开（串口 COM%1：%2）</source>
        <translation>The connection to the echo sounder was lost (port COM%1: %2)</translation>
    </message>
    <message>
        <source>打印错误</source>
        <translation>Printing error</translation>
    </message>
    <message>
        <source>在索引之后找到 %1 条记录（上次存储未正常结束），已一并收入。</source>
        <translation>Found %1 records past the index (the last recording did not end normally); they have been taken in.</translation>
    </message>
    <message>
        <source>适应窗口</source>
        <translation>Fit to window</translation>
    </message>
    <message>
        <source>输出监视</source>
        <translation>Output monitor</translation>
    </message>
    <message>
        <source>没有可打开文本文件的程序，未能打开 %1</source>
        <translation>No program is set up to open text files: %1 was not opened</translation>
    </message>
    <message>
        <source>串口 COM%1：%2</source>
        <translation>Port COM%1: %2</translation>
    </message>
    <message>
        <source>水深单位：米</source>
        <translation>Depth in metres</translation>
    </message>
    <message>
        <source>水深单位：英尺</source>
        <translation>Depth in feet</translation>
    </message>
    <message>
        <source>水深单位：英寻</source>
        <translation>Depth in fathoms</translation>
    </message>
    <message>
        <source>日间配色</source>
        <translation>Day colours</translation>
    </message>
    <message>
        <source>黄昏配色</source>
        <translation>Dusk colours</translation>
    </message>
    <message>
        <source>夜间配色</source>
        <translation>Night colours</translation>
    </message>
    <message>
        <source>报警设置</source>
        <translation>Alarms</translation>
    </message>
    <message>
        <source>英尺</source>
        <translation>ft</translation>
    </message>
    <message>
        <source>英寻</source>
        <translation>ftm</translation>
    </message>
    <message>
        <source>米</source>
        <translation>m</translation>
    </message>
    <message>
        <source>定位设置</source>
        <translation>Positioning</translation>
    </message>
    <message>
        <source>%1 是链接、管道、文件夹或设备，不能存储定位</source>
        <translation>%1 is a link, pipe, folder or device: positions cannot be stored</translation>
    </message>
    <message>
        <source>%1 不是本程序的定位文件，不能续存</source>
        <translation>%1 is not a position file of this program: the recording cannot be continued</translation>
    </message>
    <message>
        <source>无法写入定位文件 %1：%2</source>
        <translation>Cannot write the position file %1: %2</translation>
    </message>
    <message>
        <source>航迹</source>
        <translation>Track</translation>
    </message>
    <message>
        <source>导出...</source>
        <translation>Export...</translation>
    </message>
    <message>
        <source>舵手显示...</source>
        <translation>Helm Display...</translation>
    </message>
</context>
<context>
    <name>CMarevoxApp</name>
    <message>
        <source>无法读取设置文件 %1，使用默认设置。</source>
        <translation>The settings file %1 cannot be read; the default settings are used.</translation>
    </message>
    <message>
        <source>无法建立本地通道 Nereon：%1</source>
        <translation>The local channel Nereon cannot be set up: %1</translation>
    </message>
    <message>
        <source>另一个 Marevox 正在运行：本程序没有本地通道 Nereon，伴随程序只与先运行的那一个通信。</source>
        <translation>Another Marevox is running: this copy has no local channel Nereon; companion programs talk only to the one started first.</translation>
    </message>
    <message>
        <source>设置文件 %1 中 %2 的值缺失或超出允许范围，已改用默认值。</source>
        <translation>In the settings file %1 the value of %2 is missing or out of range; the first-run value is used.</translation>
    </message>
    <message>
        <source>打印系统没有及时接收，%1 段图表未打印。</source>
        <translation>The print system did not take them in time: %1 chart bands were not printed.</translation>
    </message>
    <message>
        <source>无法加载图表打印模块：%1</source>
        <translation>The chart printing module cannot be loaded: %1</translation>
    </message>
</context>
<context>
    <name>COutputMonitor</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>输出</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>输出监视</source>
        <translation>Output monitor</translation>
    </message>
    <message>
        <source>水深输出串口</source>
        <translation>Depth-output port</translation>
    </message>
    <message>
        <source>网络</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>已发送</source>
        <translation>sent</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>丢弃</source>
        <translation>dropped</translation>
    </message>
    <message>
        <source>%1：已发送 %2，失败 %3，丢弃 %4</source>
        <translation>%1: sent %2, failed %3, dropped %4</translation>
    </message>
</context>
<context>
    <name>CSET</name>
    <message>
        <source>参数设置</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>吃水（米）</source>
        <translation>Draft (m)</translation>
    </message>
    <message>
        <source>-0.1</source>
        <translation>-0.1</translation>
    </message>
    <message>
        <source>+0.1</source>
        <translation>+0.1</translation>
    </message>
    <message>
        <source>-0.01</source>
        <translation>-0.01</translation>
    </message>
    <message>
        <source>+0.01</source>
        <translation>+0.01</translation>
    </message>
    <message>
        <source>声速（米/秒）</source>
        <translation>Sound speed (m/s)</translation>
    </message>
    <message>
        <source>-10</source>
        <translation>-10</translation>
    </message>
    <message>
        <source>+10</source>
        <translation>+10</translation>
    </message>
    <message>
        <source>-1</source>
        <translation>-1</translation>
    </message>
    <message>
        <source>由温盐深计算…</source>
        <translation>From temperature, salinity, depth…</translation>
    </message>
    <message>
        <source>+1</source>
        <translation>+1</translation>
    </message>
    <message>
        <source>量程</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>手动</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>无移相</source>
        <translation>No shift</translation>
    </message>
    <message>
        <source>移相1</source>
        <translation>Shift 1</translation>
    </message>
    <message>
        <source>移相2</source>
        <translation>Shift 2</translation>
    </message>
    <message>
        <source>增益</source>
        <translation>Gain</translation>
    </message>
    <message>
        <source>抗干扰</source>
        <translation>Anti-Jamming</translation>
    </message>
    <message>
        <source>普通</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>跟踪</source>
        <translation>Tracking</translation>
    </message>
    <message>
        <source>定深</source>
        <translation>Fixed depth</translation>
    </message>
    <message>
        <source>默认</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>确定要回复默认设置？</source>
        <translation>Restore to the default setting?</translation>
    </message>
</context>
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
    <name>CSee</name>
    <message>
        <source>水深 (米)                                              </source>
        <translation>Depth (m)                                              </translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 分钟</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 小时</source>
        <translation>%1 h</translation>
    </message>
    <message>
        <source>水深 (英尺)                                            </source>
        <translation>Depth (ft)                                            </translation>
    </message>
    <message>
        <source>水深 (英寻)                                            </source>
        <translation>Depth (ftm)                                           </translation>
    </message>
</context>
<context>
    <name>CSetAlarms</name>
    <message>
        <source>报警设置</source>
        <translation>Alarm Settings</translation>
    </message>
    <message>
        <source>浅水报警</source>
        <translation>Shallow alarm</translation>
    </message>
    <message>
        <source>报警水深</source>
        <translation>Alarm depth</translation>
    </message>
    <message>
        <source>回差</source>
        <translation>Hysteresis</translation>
    </message>
    <message>
        <source>深水报警</source>
        <translation>Deep alarm</translation>
    </message>
    <message>
        <source>失底报警</source>
        <translation>Bottom lost alarm</translation>
    </message>
    <message>
        <source>连续无底回波数</source>
        <translation>Pings without a bottom</translation>
    </message>
    <message>
        <source>水深中断报警</source>
        <translation>No depth alarm</translation>
    </message>
    <message>
        <source>无回波秒数</source>
        <translation>Seconds without a ping</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source> 英尺</source>
        <translation> ft</translation>
    </message>
    <message>
        <source> 英寻</source>
        <translation> ftm</translation>
    </message>
    <message>
        <source> 米</source>
        <translation> m</translation>
    </message>
    <message>
        <source> 秒</source>
        <translation> s</translation>
    </message>
</context>
<context>
    <name>CSetCom</name>
    <message>
        <source>通信设置</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>水深输出端口</source>
        <translation>Depth output port</translation>
    </message>
    <message>
        <source>格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>内部串口</source>
        <translation>Instrument port</translation>
    </message>
    <message>
        <source>打开端口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>频率设置（KHZ）</source>
        <translation>Frequency (kHz)</translation>
    </message>
    <message>
        <source>频率</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>+1</source>
        <translation>+1</translation>
    </message>
    <message>
        <source>-1</source>
        <translation>-1</translation>
    </message>
    <message>
        <source>默认</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>100</source>
        <translation>100</translation>
    </message>
    <message>
        <source>150</source>
        <translation>150</translation>
    </message>
    <message>
        <source>200</source>
        <translation>200</translation>
    </message>
    <message>
        <source>250</source>
        <translation>250</translation>
    </message>
    <message>
        <source>其它</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>关闭端口</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>NMEA 校验和</source>
        <translation>NMEA checksum</translation>
    </message>
</context>
<context>
    <name>CSetDisturb</name>
    <message>
        <source>抗干扰</source>
        <translation>Anti-Jamming</translation>
    </message>
    <message>
        <source>普通</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>跟踪</source>
        <translation>Tracking</translation>
    </message>
    <message>
        <source>定深</source>
        <translation>Fixed depth</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>定深应在0到500米之间</source>
        <translation>The fixed depth must be between 0 and 500 m.</translation>
    </message>
</context>
<context>
    <name>CSetEatWT</name>
    <message>
        <source>吃水</source>
        <translation>Draft</translation>
    </message>
    <message>
        <source>设吃水深度</source>
        <translation>Draft depth</translation>
    </message>
    <message>
        <source>（米）</source>
        <translation>(m)</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>吃水应在0到100米之间</source>
        <translation>The draft must be between 0 and 100 m.</translation>
    </message>
</context>
<context>
    <name>CSetEth</name>
    <message>
        <source>网络设置</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>本机IP</source>
        <translation>Receiver IP</translation>
    </message>
    <message>
        <source>采样数据监听端口</source>
        <translation>Sample data listening port</translation>
    </message>
    <message>
        <source>水深发送远程端口</source>
        <translation>Depth remote port</translation>
    </message>
    <message>
        <source>启用网络</source>
        <translation>Enable network</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1应为0到255之间的四个数，以点分隔，如192.168.3.100</source>
        <translation>%1 must be four numbers from 0 to 255 separated by dots, such as 192.168.3.100</translation>
    </message>
    <message>
        <source>%1应为1到65535之间的整数</source>
        <translation>%1 must be a whole number from 1 to 65535</translation>
    </message>
</context>
<context>
    <name>CSetGnss</name>
    <message>
        <source>定位设置</source>
        <translation>Positioning</translation>
    </message>
    <message>
        <source>定位源</source>
        <translation>Position source</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>gpsd</source>
        <translation>gpsd</translation>
    </message>
    <message>
        <source>串口接收机</source>
        <translation>Serial receiver</translation>
    </message>
    <message>
        <source>gpsd主机</source>
        <translation>gpsd host</translation>
    </message>
    <message>
        <source>gpsd端口</source>
        <translation>gpsd port</translation>
    </message>
    <message>
        <source>串口号（COM）</source>
        <translation>Serial port (COM)</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>GNSS延迟（毫秒）</source>
        <translation>GNSS latency (ms)</translation>
    </message>
    <message>
        <source>天线在换能器前方（米）</source>
        <translation>Antenna forward of the transducer (m)</translation>
    </message>
    <message>
        <source>天线在换能器右舷（米）</source>
        <translation>Antenna to starboard of the transducer (m)</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1应为%2到%3之间的整数</source>
        <translation>%1 must be a whole number from %2 to %3</translation>
    </message>
    <message>
        <source>%1应为gpsd所在计算机的名称或地址，如localhost</source>
        <translation>%1 must be the name or address of gpsd&apos;s computer, such as localhost</translation>
    </message>
    <message>
        <source>%1应为-100到100之间的数（米）</source>
        <translation>%1 must be a number from -100 to 100 (metres)</translation>
    </message>
</context>
<context>
    <name>CSetMeasure</name>
    <message>
        <source>量程</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>手动</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>无相移</source>
        <translation>No shift</translation>
    </message>
    <message>
        <source>相移1</source>
        <translation>Shift 1</translation>
    </message>
    <message>
        <source>相移2</source>
        <translation>Shift 2</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CSetPlus</name>
    <message>
        <source>增益</source>
        <translation>Gain</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>手动</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CSetSpeed</name>
    <message>
        <source>声速修正</source>
        <translation>Sound Speed</translation>
    </message>
    <message>
        <source>设声速</source>
        <translation>Sound speed</translation>
    </message>
    <message>
        <source>（米/秒）</source>
        <translation>(m/s)</translation>
    </message>
    <message>
        <source>由温盐深计算…</source>
        <translation>From temperature, salinity, depth…</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>声速应在1300到1700米/秒之间</source>
        <translation>The sound speed must be between 1300 and 1700 m/s.</translation>
    </message>
</context>
<context>
    <name>CSettingsDialogs</name>
    <message>
        <source>打开串口失败1</source>
        <translation>Failed to open the serial port 1</translation>
    </message>
    <message>
        <source>打开串口失败2</source>
        <translation>Failed to open the serial port 2</translation>
    </message>
    <message>
        <source>水深输出已停止：与输出设备的连接已断开（串口 COM%1：%2）</source>
        <translation>Depth output stopped: the connection to the output device was lost (port COM%1: %2)</translation>
    </message>
    <message>
        <source>串口 COM%1：%2</source>
        <translation>Port COM%1: %2</translation>
    </message>
    <message>
        <source>回放时修改的设置只用于本次回放，结束回放后恢复实时设置</source>
        <translation>Settings changed during playback apply to this playback only; ending playback restores the live settings</translation>
    </message>
</context>
<context>
    <name>CSpeedFromWater</name>
    <message>
        <source>由温盐深计算声速</source>
        <translation>Sound Speed from the Water</translation>
    </message>
    <message>
        <source>水温（°C）</source>
        <translation>Water temperature (°C)</translation>
    </message>
    <message>
        <source>盐度（PSU，淡水为0）</source>
        <translation>Salinity (PSU, 0 for fresh water)</translation>
    </message>
    <message>
        <source>深度（米）</source>
        <translation>Depth (m)</translation>
    </message>
    <message>
        <source>声速（米/秒）</source>
        <translation>Sound speed (m/s)</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CTrackWindow</name>
    <message>
        <source>航迹</source>
        <translation>Track</translation>
    </message>
    <message>
        <source>水深未知</source>
        <translation>Depth not known</translation>
    </message>
    <message>
        <source>该记录没有位置文件</source>
        <translation>This recording has no position file</translation>
    </message>
    <message>
        <source>无定位</source>
        <translation>No fix</translation>
    </message>
    <message>
        <source>航向 %1°</source>
        <translation>Heading %1°</translation>
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
    <name>EditStatusMessage</name>
    <message>
        <source>编辑文件 %1 是链接或不是普通文件，未使用。</source>
        <translation type="vanished">The edit file %1 is a link or not a regular file: it is not used.</translation>
    </message>
    <message>
        <source>无法读取 %1：%2</source>
        <translation type="vanished">Cannot read %1: %2</translation>
    </message>
    <message>
        <source>无法写入编辑文件 %1（%2）。编辑只保存在内存中，请用“编辑 → 编辑另存为...”保存。</source>
        <translation type="vanished">Cannot write the edit file %1 (%2). The edits are kept in memory only: save them with Edit → Save Edits As....</translation>
    </message>
    <message>
        <source>%1 不是编辑文件，未使用。编辑只保存在内存中，请用“编辑 → 编辑另存为...”保存。</source>
        <translation type="vanished">%1 is not an edit file: it is not used. The edits are kept in memory only: save them with Edit → Save Edits As....</translation>
    </message>
    <message>
        <source>%1 由较新版本的 Marevox 写入（版本 %2），未使用。编辑只保存在内存中，请用“编辑 → 编辑另存为...”保存。</source>
        <translation type="vanished">%1 was written by a newer Marevox (version %2): it is not used. The edits are kept in memory only: save them with Edit → Save Edits As....</translation>
    </message>
    <message>
        <source>%1 是另一个记录的编辑文件，未使用。编辑只保存在内存中，请用“编辑 → 编辑另存为...”保存。</source>
        <translation type="vanished">%1 holds the edits of another recording: it is not used. The edits are kept in memory only: save them with Edit → Save Edits As....</translation>
    </message>
    <message>
        <source>%1：跳过 %2 行损坏的内容，第一行在第 %3 行。</source>
        <translation type="vanished">%1: %2 damaged line(s) skipped, the first at line %3.</translation>
    </message>
    <message>
        <source>%1：%2 条编辑所指的测点不在记录中，已略去。</source>
        <translation type="vanished">%1: %2 edit(s) name pings the recording does not hold; they are left out.</translation>
    </message>
</context>
<context>
    <name>EditText</name>
    <message>
        <source>请输入一个数字。</source>
        <translation>Please enter a number.</translation>
    </message>
    <message>
        <source>请输入一个整数。</source>
        <translation>Please enter an integer.</translation>
    </message>
</context>
<context>
    <name>EngineMessages</name>
    <message>
        <source>存储文件过大</source>
        <translation>The recording file is too large</translation>
    </message>
    <message>
        <source>超出时间范围</source>
        <translation>Out of the time range</translation>
    </message>
    <message>
        <source>未找到*.idx文件</source>
        <translation>No *.idx file found</translation>
    </message>
    <message>
        <source>已在存储中</source>
        <translation>Already recording</translation>
    </message>
    <message>
        <source>回放时不能存储</source>
        <translation>Cannot record during playback</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1（%2）</source>
        <translation>Cannot create the folder %1 (%2)</translation>
    </message>
    <message>
        <source>无法续录 %1：%2。可用 marevox-cli reindex 重建索引后再试。</source>
        <translation>Cannot continue recording %1: %2. Rebuild the index with marevox-cli reindex and try again.</translation>
    </message>
    <message>
        <source>无法续录 %1：无法打开（%2）</source>
        <translation>Cannot continue recording %1: cannot open it (%2)</translation>
    </message>
    <message>
        <source>无法续录 %1：无法打开 %2（%3）</source>
        <translation>Cannot continue recording %1: cannot open %2 (%3)</translation>
    </message>
    <message>
        <source>无法创建数据文件 %1（%2）</source>
        <translation>Cannot create the data file %1 (%2)</translation>
    </message>
    <message>
        <source>无法创建索引文件 %1（%2）</source>
        <translation>Cannot create the index file %1 (%2)</translation>
    </message>
    <message>
        <source>无法创建文本文件 %1（%2）</source>
        <translation>Cannot create the text file %1 (%2)</translation>
    </message>
    <message>
        <source>无法写入数据文件 %1（%2）</source>
        <translation>Cannot write to the data file %1 (%2)</translation>
    </message>
    <message>
        <source>无法写入索引文件 %1（%2）。数据文件完好，可用 marevox-cli reindex 重建索引。</source>
        <translation>Cannot write the index file %1 (%2). The data file is intact; rebuild the index with marevox-cli reindex.</translation>
    </message>
    <message>
        <source>索引文件 %1 与数据文件不符</source>
        <translation>the index file %1 does not match the data file</translation>
    </message>
    <message>
        <source>无法读取索引文件 %1</source>
        <translation>Cannot read the index file %1</translation>
    </message>
    <message>
        <source>索引文件 %1 不含任何记录</source>
        <translation>The index file %1 lists no records</translation>
    </message>
    <message>
        <source>索引文件 %1 列出 %2 条记录，超过 5000000 条的上限</source>
        <translation>The index file %1 lists %2 records, more than the limit of 5000000</translation>
    </message>
    <message>
        <source>索引文件 %1 不完整：比它所列的记录数短</source>
        <translation>The index file %1 is incomplete: shorter than the records it lists</translation>
    </message>
    <message>
        <source>回放已在进行</source>
        <translation>A playback is already open</translation>
    </message>
    <message>
        <source>无法打开数据文件 %1（%2）</source>
        <translation>Cannot open the data file %1 (%2)</translation>
    </message>
    <message>
        <source>数据文件 %1 中没有可读的记录</source>
        <translation>The data file %1 holds no readable record</translation>
    </message>
    <message>
        <source>%1。已扫描数据文件 %2 将其打开：找到 %3 条记录。</source>
        <translation>%1. The recording was opened by scanning the data file %2: %3 records found.</translation>
    </message>
    <message>
        <source>%1。已扫描数据文件 %2：找到 %3 条记录，已重新写出索引文件，新记录接在其后。</source>
        <translation>%1. The data file %2 was scanned: %3 records found; the index file has been written again and new records follow them.</translation>
    </message>
    <message>
        <source>无法创建文件 %1：%2</source>
        <translation>Cannot create the file %1: %2</translation>
    </message>
    <message>
        <source>无法写入文件 %1</source>
        <translation>Cannot write the file %1</translation>
    </message>
    <message>
        <source>无法替换文件 %1：%2</source>
        <translation>Cannot replace the file %1: %2</translation>
    </message>
    <message>
        <source>索引文件 %1 不是普通文件</source>
        <translation>The index file %1 is not a regular file</translation>
    </message>
    <message>
        <source>%1 不是普通文件，不能用作记录</source>
        <translation>%1 is not a regular file and cannot be used as a recording</translation>
    </message>
    <message>
        <source>数据文件 %1 正由另一程序存储，不能同时写入</source>
        <translation>The data file %1 is being recorded by another program and cannot be written at the same time</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>测深仪数据文件(*.sd)</source>
        <translation type="vanished">Echo sounder data files (*.sd)</translation>
    </message>
    <message>
        <source>测深仪数据文件(*.txt)</source>
        <translation type="vanished">Echo sounder data files (*.txt)</translation>
    </message>
</context>
<context>
    <name>UserPrompts</name>
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
