<?xml version="1.0" encoding="UTF-8"?>
<!--
  Turns a ScriptUI dialog description into the page the XML dialog shows: one table row
  per control of /ScriptUI/DialogBox, a row of buttons, and the description's instance
  data as the "InstanceData" island that OK reads back. Element and attribute names are
  case-sensitive.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" omit-xml-declaration="yes" cdata-section-elements="HelpString"/>

  <xsl:template match="/">
    <html>
      <head>
        <title><xsl:value-of select="/ScriptUI/DialogBox/@Title"/></title>
        <style>
BODY { background-color: threedface; font-family: Arial; font-size: 13px; margin: 13px; border: none; }
INPUT, P, SELECT { font-size: 13px; }
TABLE { border: solid 20px threedface; margin: 2px; }
TD { border: solid 4px threedface; font-size: 13px; }
        </style>
      </head>
      <body id="TheBody">
        <table>
          <xsl:apply-templates select="/ScriptUI/DialogBox/*"/>
          <xsl:call-template name="buttons"/>
        </table>
      </body>
      <xml id="InstanceData">
        <xmldata><xsl:apply-templates select="/ScriptUI/InstanceData"/></xmldata>
      </xml>
    </html>
  </xsl:template>

  <!-- Elements of the dialog box that are no control give nothing. -->
  <xsl:template match="*"/>

  <!-- Buttons: OK alone when the description forbids cancelling. -->
  <xsl:template name="buttons">
    <xsl:variable name="permitCancel" select="string(/ScriptUI/DialogBox/@PermitCancel)"/>
    <tr>
      <xsl:choose>
        <xsl:when test="$permitCancel = 'false' or $permitCancel = '0'">
          <td align="center" colspan="2">
            <xsl:call-template name="button">
              <xsl:with-param name="id">btnOK</xsl:with-param>
              <xsl:with-param name="label">OK</xsl:with-param>
              <xsl:with-param name="key">O</xsl:with-param>
              <xsl:with-param name="handler">OnOKClick</xsl:with-param>
            </xsl:call-template>
          </td>
        </xsl:when>
        <xsl:otherwise>
          <td align="center">
            <xsl:call-template name="button">
              <xsl:with-param name="id">btnOK</xsl:with-param>
              <xsl:with-param name="label">OK</xsl:with-param>
              <xsl:with-param name="key">O</xsl:with-param>
              <xsl:with-param name="handler">OnOKClick</xsl:with-param>
            </xsl:call-template>
          </td>
          <td align="center">
            <xsl:call-template name="button">
              <xsl:with-param name="id">btnCancel</xsl:with-param>
              <xsl:with-param name="label">Cancel</xsl:with-param>
              <xsl:with-param name="key">C</xsl:with-param>
              <xsl:with-param name="handler">OnCancelClick</xsl:with-param>
            </xsl:call-template>
          </td>
        </xsl:otherwise>
      </xsl:choose>
    </tr>
  </xsl:template>

  <xsl:template name="button">
    <xsl:param name="id"/>
    <xsl:param name="label"/>
    <xsl:param name="key"/>
    <xsl:param name="handler"/>
    <input type="button" id="{$id}" value="{$label}" accessKey="{$key}" width="75"
           style="ACCELERATOR: true; WIDTH: 75px; HEIGHT: 24px"
           onclick="window.external.{$handler}()"/>
  </xsl:template>

  <!-- A control's balloon help: a hand cursor and the text as tooltip. -->
  <xsl:template name="balloon-help">
    <xsl:if test="@balloonhelp">
      <xsl:attribute name="style">CURSOR: hand</xsl:attribute>
      <xsl:attribute name="title"><xsl:value-of select="@balloonhelp"/></xsl:attribute>
    </xsl:if>
  </xsl:template>

  <!-- The prompt and the input of one control; the context node is the control. -->
  <xsl:template name="control-row">
    <xsl:param name="type"/>
    <xsl:param name="group"/>
    <xsl:param name="checked"/>
    <tr>
      <td><xsl:value-of select="@prompt"/></td>
      <td>
        <input id="{@id}" type="{$type}">
          <xsl:if test="$type = 'radio'">
            <xsl:attribute name="name"><xsl:value-of select="$group"/></xsl:attribute>
          </xsl:if>
          <xsl:call-template name="balloon-help"/>
          <xsl:if test="$type = 'radio' or $type = 'checkbox'">
            <xsl:attribute name="value">
              <xsl:choose>
                <xsl:when test="@value"><xsl:value-of select="@value"/></xsl:when>
                <xsl:otherwise><xsl:value-of select="@id"/></xsl:otherwise>
              </xsl:choose>
            </xsl:attribute>
            <xsl:if test="@disabled">
              <xsl:attribute name="disabled"><xsl:value-of select="@disabled"/></xsl:attribute>
            </xsl:if>
          </xsl:if>
          <xsl:if test="$checked = '1'">
            <xsl:attribute name="checked">checked</xsl:attribute>
          </xsl:if>
          <xsl:if test="@visiblewidth">
            <xsl:attribute name="size"><xsl:value-of select="@visiblewidth"/></xsl:attribute>
          </xsl:if>
        </input>
      </td>
    </tr>
  </xsl:template>

  <xsl:template match="EditBox">
    <xsl:call-template name="control-row">
      <xsl:with-param name="type">Text</xsl:with-param>
    </xsl:call-template>
  </xsl:template>

  <xsl:template match="CheckBox">
    <xsl:call-template name="control-row">
      <xsl:with-param name="type">checkbox</xsl:with-param>
      <xsl:with-param name="checked" select="string(@Checked)"/>
    </xsl:call-template>
  </xsl:template>

  <xsl:template match="RadioGroup">
    <xsl:variable name="group" select="string(@Name)"/>
    <xsl:for-each select="RadioButton">
      <xsl:call-template name="control-row">
        <xsl:with-param name="type">radio</xsl:with-param>
        <xsl:with-param name="group" select="$group"/>
        <xsl:with-param name="checked" select="number(position() = 1)"/>
      </xsl:call-template>
    </xsl:for-each>
  </xsl:template>

  <xsl:template match="ComboBox">
    <tr>
      <td><xsl:value-of select="@prompt"/></td>
      <td>
        <select id="{@id}">
          <xsl:call-template name="balloon-help"/>
          <xsl:for-each select="Choice">
            <option>
              <xsl:attribute name="value">
                <xsl:choose>
                  <xsl:when test="@value"><xsl:value-of select="@value"/></xsl:when>
                  <xsl:otherwise><xsl:value-of select="."/></xsl:otherwise>
                </xsl:choose>
              </xsl:attribute>
              <xsl:if test="@selected">
                <xsl:attribute name="selected"><xsl:value-of select="@selected"/></xsl:attribute>
              </xsl:if>
              <xsl:value-of select="."/>
            </option>
          </xsl:for-each>
        </select>
      </td>
    </tr>
  </xsl:template>

  <xsl:template match="Link">
    <tr>
      <xsl:if test="@prompt">
        <td><xsl:value-of select="@prompt"/></td>
      </xsl:if>
      <td align="center">
        <xsl:if test="not(@prompt)">
          <xsl:attribute name="colspan">2</xsl:attribute>
        </xsl:if>
        <a href="{@url}">
          <xsl:call-template name="balloon-help"/>
          <xsl:choose>
            <xsl:when test="@displaytext"><xsl:value-of select="@displaytext"/></xsl:when>
            <xsl:otherwise><xsl:value-of select="@url"/></xsl:otherwise>
          </xsl:choose>
        </a>
      </td>
    </tr>
  </xsl:template>

  <xsl:template match="TextBox">
    <tr>
      <td colspan="2">
        <xsl:call-template name="lines">
          <xsl:with-param name="text" select="string(.)"/>
        </xsl:call-template>
      </td>
    </tr>
  </xsl:template>

  <!-- Line breaks as "br": the parser has already turned a written CR LF into LF, and a
       CR given as a character reference is dropped with the LF that follows it. -->
  <xsl:template name="lines">
    <xsl:param name="text"/>
    <xsl:choose>
      <xsl:when test="contains($text, '&#10;')">
        <xsl:value-of select="translate(substring-before($text, '&#10;'), '&#13;', '')"/>
        <br/>
        <xsl:call-template name="lines">
          <xsl:with-param name="text" select="substring-after($text, '&#10;')"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$text"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="HelpString">
    <xml id="HelpString">
      <HelpString><xsl:value-of select="."/></HelpString>
    </xml>
  </xsl:template>

  <xsl:template match="Script">
    <script>
      <xsl:attribute name="language">
        <xsl:choose>
          <xsl:when test="@language"><xsl:value-of select="@language"/></xsl:when>
          <xsl:otherwise>vbscript</xsl:otherwise>
        </xsl:choose>
      </xsl:attribute>
      <xsl:value-of select="." disable-output-escaping="yes"/>
    </script>
  </xsl:template>

  <xsl:template match="InstanceData">
    <InstanceData>
      <xsl:copy-of select="@id"/>
      <xsl:apply-templates mode="instance"/>
    </InstanceData>
  </xsl:template>

  <xsl:template match="Datum" mode="instance">
    <Datum>
      <xsl:copy-of select="@id"/>
      <xsl:copy-of select="@vt"/>
      <xsl:copy-of select="@value"/>
    </Datum>
  </xsl:template>

  <xsl:template match="text()" mode="instance">
    <xsl:copy/>
  </xsl:template>

  <xsl:template match="*" mode="instance"/>
</xsl:stylesheet>
